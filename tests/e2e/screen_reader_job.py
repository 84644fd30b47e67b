"""The screen reader's side of screen-reader-end-to-end.sh.

Reads Zelvo's window from the accessibility bus, checks that every control a
person reaches is named and that the bars read as progress bars, then does
the whole job through the bus alone: switches the log on, presses "Analizar",
selects the copy of the pair, presses "Borrar" and "Aceptar". Finally checks
the disk and Zelvo.log. It starts the program in FOLDER itself, once it
listens to the bus, and ends it. Usage: screen_reader_job.py FOLDER ZELVO OUTPUT
"""
import atexit
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

folder = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def give_up(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


heard = []


def listen(event):
    try:
        heard.append((event.type, event.source.getRoleName(), event.source.name))
    except GLib.GError:
        pass  # a row removed meanwhile


pyatspi.Registry.registerEventListener(
    listen, "object:state-changed:showing", "object:property-change:accessible-value")


def pump(seconds, until=lambda: False):
    """Lets the bus' events in for up to `seconds`, or until `until()` holds."""
    end = time.time() + seconds
    context = GLib.MainContext.default()
    while time.time() < end:
        while context.iteration(False):
            pass
        if until():
            return True
        time.sleep(0.05)
    return until()


# Started only now, so that it hears of the listener as it starts.
with open(sys.argv[3], "wb") as output:
    zelvo = subprocess.Popen([sys.argv[2]], cwd=folder, stdout=output, stderr=subprocess.STDOUT)
atexit.register(zelvo.kill)


def find_app():
    for _ in range(150):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "zelvo":
                return app
        time.sleep(0.2)
    give_up("Zelvo never appeared on the accessibility bus")


def descendants(root):
    return pyatspi.utils.findAllDescendants(root, lambda o: True)


def find(root, role, name):
    return pyatspi.utils.findDescendant(
        root, lambda o: o.getRoleName() == role and o.name == name)


def press(obj, action):
    actions = obj.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if action not in names:
        give_up("%s %r has no action %r, only %r" % (obj.getRoleName(), obj.name, action, names))
    actions.doAction(names.index(action))


def spoken_name(obj):
    """What a screen reader names obj by: its label's name, or its own."""
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return obj.name


app = find_app()
window = next((w for w in app if w.name == "Zelvo"), None)
if window is None:
    give_up("no window named Zelvo")

# Every control that takes the focus has a name; the list rows are read with
# their list, the drop-down's own list with its drop-down.
containers = ("list", "combo box", "table", "menu", "popup menu", "menu bar")
for obj in descendants(window):
    state = obj.getState()
    if not (state.contains(pyatspi.STATE_FOCUSABLE) and state.contains(pyatspi.STATE_SHOWING)):
        continue
    if obj.parent is not None and obj.parent.getRoleName() in containers:
        continue
    check(spoken_name(obj), "a focusable %s without a name" % obj.getRoleName())

expected = {
    ("combo box", "Unidad"), ("list", "Carpetas"), ("list", "Archivos de la carpeta"),
    ("list", "Archivos duplicados"), ("text", "Tipos de archivo"),
    ("text", "Vista previa del archivo"), ("push button", "Analizar"),
    ("push button", "Borrar"), ("push button", "Salir"),
}
present = {(o.getRoleName(), spoken_name(o)) for o in descendants(window)}
for control in sorted(expected - present):
    check(False, "no %s named %r" % control)
analizar = find(window, "push button", "Analizar")
check(analizar is not None and analizar.description ==
      "Buscar archivos duplicados en el directorio seleccionado",
      "Analizar does not carry its tool tip as its description")

bars = {o.name: o.queryValue() for o in descendants(window) if o.getRoleName() == "progress bar"}
check(sorted(bars) == ["Progreso de la comparación", "Progreso del análisis"],
      "progress bars: %r" % sorted(bars))
for name, value in bars.items():
    check((value.minimumValue, value.maximumValue, value.currentValue) == (0, 100, 0),
          "%s reads %r..%r at %r before any work" %
          (name, value.minimumValue, value.maximumValue, value.currentValue))

# The job, through the bus alone.
press(find(window, "menu item", "Activar Log"), "Press")
press(analizar, "Press")
duplicates = find(window, "list", "Archivos duplicados")


def rows():
    return [row.name for row in duplicates]


pump(20, lambda: len(rows()) == 2)
head = os.path.join(folder, "a.txt")
copy = os.path.join(folder, "b.txt")
check(rows() == ["Original: " + head, "Copia: " + copy], "List1 reads %r" % rows())
said = lambda: [n for (t, r, n) in heard if r == "notification"]
check(pump(5, lambda: "1 Archivos duplicados" in said()),
      "the end of the analysis was not announced: %r" % said())
moved = {n for (t, r, n) in heard if t.endswith("accessible-value") and r == "progress bar"}
check(moved == set(bars), "bars that reported a value while analysing: %r" % sorted(moved))
if len(rows()) != 2:
    give_up("no pair to delete")

analysed = len(said())
press(duplicates[1], "Toggle")
pump(0.3)
check([row.getState().contains(pyatspi.STATE_SELECTED) for row in duplicates] == [False, True],
      "Toggle did not select the copy alone")
press(find(window, "push button", "Borrar"), "Press")


def confirmation():
    return next((w for w in app if w.name == "Borrado"), None)


if not pump(10, lambda: confirmation() is not None):
    give_up("no confirmation box named Borrado")
box = confirmation()
check(box.getRoleName() == "alert", "the confirmation is a %s" % box.getRoleName())
press(find(box, "push button", "Aceptar"), "Press")
pump(10, lambda: not os.path.exists(copy))
# The count lines change together; the throttle may say them apart.
check(pump(5, lambda: ". ".join(said()[analysed:]) == "1 Archivos. 14 archivos a procesar"),
      "the end of the deletion was not announced: %r" % said())
check(rows() == ["Original: " + head], "List1 after the deletion reads %r" % rows())

# Exactly that copy is gone, and the log records its deletion and nothing else.
left = sorted(os.listdir(folder))
check(left == sorted(["Zelvo.log", "a.txt"] + ["otro%d.bin" % n for n in range(1, 13)]),
      "files left: %r" % left)
with open(os.path.join(folder, "Zelvo.log"), "rb") as log:
    lines = log.read().decode("cp1252").split("\r\n")
deletions = [i for i, line in enumerate(lines) if line.startswith("\u00b7") and "Borrado el" in line]
check(len(deletions) == 1, "%d deletion records" % len(deletions))
check(len(deletions) == 1 and lines[deletions[0] - 1].startswith(copy + " "),
      "the deletion record is not b.txt's")
check(sum(line.startswith("\u00b7") and "encontrados id" in line for line in lines) == 1,
      "the log does not hold exactly one pair record")

if failures:
    sys.exit(1)
print("PASS: read and used through the accessibility bus alone; b.txt deleted and logged")
