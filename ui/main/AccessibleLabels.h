#pragma once

class QLabel;
class QString;

namespace zelvo {

// What a screen reader makes of the window's labels. A bar of bullets is read
// as a progress bar whose value, from 0 to 100, follows its bullet count; a
// value label (a size, a date) is read after the caption a sighted user sees
// beside it, "Tamaño: 1234 bytes". Only what the accessibility layer reads
// changes: the labels look and behave as before.

// Reads `label` as a progress bar named `name`, full at `scale` bullets.
void readAsBulletBar(QLabel* label, const QString& name, int scale);
// Reads `label` as its caption followed by its text.
void readWithCaption(QLabel* label, const QString& caption);

// The bar's value from 0 to 100; -1 for a label that is no bar.
int bulletBarPercent(const QLabel* label);
// Tells the screen reader that a bar's value follows its new caption; does
// nothing for other labels, which Qt reports itself.
void bulletBarChanged(QLabel* label);

// Teaches Qt's accessibility layer the labels above. Idempotent.
void installAccessibleLabels();

} // namespace zelvo
