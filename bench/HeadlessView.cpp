#include "HeadlessView.h"

namespace zelvo::bench {

void HeadlessView::setCaption(Control control, const std::string& text)
{
    if (control == Control::Label1) {
        // Only the first emptying after the status line went up ends the
        // sort; later ones are the analysis clearing the path line.
        if (!text.empty()) {
            m_statusShown = Clock::now();
            m_statusCleared.reset();
        } else if (m_statusShown && !m_statusCleared) {
            m_statusCleared = Clock::now();
        }
    }
    m_captions[index(control)] = text;
}

std::optional<HeadlessView::Clock::duration> HeadlessView::statusLineShownFor() const
{
    if (!m_statusShown || !m_statusCleared)
        return std::nullopt;
    return *m_statusCleared - *m_statusShown;
}

void HeadlessView::forgetStatusLine()
{
    m_statusShown.reset();
    m_statusCleared.reset();
}

} // namespace zelvo::bench
