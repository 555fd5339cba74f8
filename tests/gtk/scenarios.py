#!/usr/bin/python3
# Runs korvane-gtk as a user would: finds each window by its exact title with xdotool, types into
# it, reads the boxes through AT-SPI as a screen reader would, and checks that each run leaves the
# throw-away home and runtime folder (HOME, XDG_RUNTIME_DIR; the XDG folders lie in HOME) as
# they were.
#   scenarios.py PROGRAM FOLDER_FOR_FILES [SCREENSHOT_FOLDER]
import fcntl, gettext, hashlib, os, subprocess, sys, time
import pyatspi
from gi.repository import Gio, GLib

PROGRAM, FILES, SHOTS = (sys.argv[1:] + [None])[:3]
GTK = gettext.translation("gtk30", fallback=True).gettext
ABOUT, MESSAGE, ERROR = "О программе", "Сообщение", "Ошибка"
FIRMWARE, CALIBRATION = "Выберите микропрограмму", "Выберите калибровки"
OUTPUT, IMAGE, CALIBRATION_OUT = "Выберите выходной файл", "Выберите образ", "Выберите файл для калибровок"
ABOUT_TEXT = "KORVANE v1.0 Сборщик флеш-образов, написан разработчиками KORVANE."
DONE = "Преобразование завершено!"
FW = bytes((i * 7 + 3) & 0xFF for i in range(0x200)) + b"\xfa\x04" + bytes(range(0xFE))  # 256 KiB
CAL = bytes((i * 13 + 5) & 0xFF for i in range(0x8000))
failed, run = [], {}


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else f": {detail}"), flush=True)
    failed.extend([] if ok else [name])


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.strip()


def until(probe, what, seconds=20):
    for _ in range(seconds * 10):
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    raise TimeoutError(f"waited for {what}; showing {titled()}")


def titled():  # GTK names the path entry's completion popup after the program
    windows = xdo("search", "--onlyvisible", "--pid", str(run["p"].pid)).split()
    named = ((w, xdo("getwindowname", w)) for w in windows)
    return [(w, name) for w, name in named if name not in ("", "korvane")]


def only(title):
    shown = titled()
    return [w for w, name in shown if name == title and len(shown) == 1]


def alert():  # the box showing: its kind as GTK names it for screen readers, then its texts
    for app in pyatspi.Registry.getDesktop(0):
        try:
            for win in app if app and app.get_process_id() == run["p"].pid else []:
                showing = win and win.getState().contains(pyatspi.STATE_SHOWING)
                if showing and win.getRole() == pyatspi.ROLE_ALERT:
                    found = pyatspi.findAllDescendants(win, lambda a: a.getRoleName() == "label")
                    return [win.name] + [label.name for label in found if label.name]
        except GLib.GError:  # an application that has just ended
            pass
    return None


def shoot(shot):
    if SHOTS and shot:
        time.sleep(0.5)
        subprocess.run(["import", "-frame", "-window", xdo("getactivewindow"),
                        f"{SHOTS}/gtk-{shot}.png"], check=True)


def window(title, shot=None):  # the program's only titled window, once it is this one; activated
    wid = until(lambda: only(title), f"'{title}' alone")[0]
    xdo("windowactivate", "--sync", wid)
    until(lambda: xdo("getwindowfocus") == wid, f"'{title}' to take the keys")
    time.sleep(0.3)
    shoot(shot)
    return wid


def press(wid, key):  # until the window goes or a question comes over it; as a user would, once
    for _ in range(3):  # more if the key only closed the path entry's completion list
        xdo("key", key)
        try:
            return until(lambda: wid not in [w for w, _ in titled()] or alert(), "", 5)
        except TimeoutError:
            pass
    raise TimeoutError(f"window {wid} stays after {key}; showing {titled()}")


def box(title, text, kind, shot=None, detail=None):  # the detail is the text beneath
    shown = until(alert, f"the box '{title}'")
    check(f"  box '{title}': {text}", shown == [GTK(kind), text] + ([detail] if detail else []),
          shown)
    press(window(title, shot), "Return")


def choose(title, path, shot=None):
    wid = window(title, shot)
    xdo("key", "ctrl+a" if title in (OUTPUT, CALIBRATION_OUT) else "ctrl+l")
    time.sleep(0.3)
    xdo("type", "--delay", "5", path)
    time.sleep(0.3)
    press(wid, "Return")


def answer_button(label):  # pressed as a screen reader presses it
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.get_process_id() == run["p"].pid:
            found = pyatspi.findDescendant(app, lambda a: a.getRoleName() == "push button"
                                           and a.name.replace("_", "") == label)
            if found:
                return found.queryAction().doAction(0)
    raise TimeoutError(f"no button {label}")


def replace(path, answer, shot=None):  # "Да" must be chosen; Return answers "Нет"
    shown = until(alert, "the replace question")
    check(f"  replace question for {os.path.basename(path)}",
          shown == [GTK("Question"), "Файл уже существует. Заменить?", path], shown)
    shoot(shot)
    if answer:
        answer_button(GTK("_Yes").replace("_", ""))
    else:
        xdo("key", "Return")
    until(lambda: (alert() or [None])[0] != GTK("Question"), "the question to close")


def snapshot():
    found = []
    for top in ("HOME", "XDG_RUNTIME_DIR"):
        for base, _, files in os.walk(os.environ[top]):
            found.append(base)
            for name in (f"{base}/{f}" for f in files):
                s = os.lstat(name)
                content = open(name, "rb").read() if os.path.isfile(name) else b""
                found.append(str((name, s.st_mode, s.st_mtime_ns, hashlib.sha1(content).digest())))
    return found


def scenario(name, arguments, steps, status=0, cwd=FILES, env=None):
    print(f"== {name}", flush=True)
    before = snapshot()
    run["p"] = subprocess.Popen([PROGRAM, *arguments], cwd=cwd, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, env={**os.environ, **(env or {})})
    try:
        steps()
        run["p"].wait(timeout=10)
    except (TimeoutError, subprocess.TimeoutExpired) as stuck:
        subprocess.run(["import", "-window", "root", f"{FILES}/../stuck-{len(failed)}.png"])
        check("  went as a user expects", False, f"{stuck}; see stuck-{len(failed)}.png")
        run["p"].kill()
    ended = (run["p"].returncode, *run["p"].communicate())
    check(f"  exit status {status}, nothing on the terminal", ended == (status, b"", b""), ended)
    after = snapshot()
    check("  home and runtime folder unchanged", after == before, set(after) ^ set(before))


def image(path, calibrated):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    return (len(data) == 0x40000 and data[:0x8000] == b"\xff" * 0x8000
            and data[0x8000:0x10000] == (CAL if calibrated else b"\xff" * 0x8000)
            and data[0x10000:0x10010] == bytes.fromhex("90482442") + b"\xff" * 12
            and data[0x10010:0x10310] == FW and data[0x10310:] == bytes(0x40000 - 0x10310))


def at(name, content=None):
    path = os.path.join(FILES, name)
    if content is not None:
        open(path, "wb").write(content)
    return path


def long_path(length, stem, content=None):  # length bytes in all, with its folder made
    folder = at(stem + "d" * (length - len(FILES) - len(stem) - 12))
    os.makedirs(folder)
    return at(folder + "/" + "x" * 10, content)


fw, cal, bad = at("fw.bin", FW), at("cal.bin", CAL), at("bad.bin", bytes(0x300))
locked = at("locked.img", b"keep")
os.chmod(locked, 0o444)
pyatspi.Registry.getDesktop(0)  # starts the accessibility bus before the first run is measured
# Listening as a screen reader does, so that every text a box shows is sent over the bus.
pyatspi.Registry.registerEventListener(lambda event: None, "object:property-change:accessible-name",
                                       "object:text-changed", "window:create")
ENTRY = os.path.join(os.path.dirname(__file__), "../../res/korvane.desktop")


def grouped():  # the window class is the desktop entry's name, as StartupWMClass says; its icon
    wm_class = open(ENTRY).read().split("StartupWMClass=")[1].split()[0]
    named = os.path.basename(ENTRY).removesuffix(".desktop")
    shown = subprocess.run(["xprop", "-id", window(ABOUT), "WM_CLASS", "_NET_WM_STATE",
                            "_NET_WM_ICON"], capture_output=True, text=True).stdout
    check("  window class the desktop entry's name, as it says, with the theme's icon",
          wm_class == named and f'"{named}", "{named}"' in shown
          and "_NET_WM_ICON(CARDINAL)" in shown, shown[:99])
    state = shown.split("_NET_WM_STATE(ATOM) = ")[-1].split("\n")[0]
    check("  a modal box that the task bar shows", "_NET_WM_STATE_MODAL" in state
          and "_NET_WM_STATE_SKIP_TASKBAR" not in state, state)


BUS, DBUS = Gio.bus_get_sync(Gio.BusType.SESSION), ("org.freedesktop.DBus", "/org/freedesktop/DBus")


def on_bus(name, path, method, signature, *args):  # the answer; None where nothing answers
    interface, _, member = method.rpartition(".")
    try:
        return BUS.call_sync(name, path, interface, member, GLib.Variant(signature, args), None,
                             Gio.DBusCallFlags.NO_AUTO_START, 2000, None).unpack()
    except GLib.Error:
        return None


# The home check sees what the file chooser would keep: GSettings writes through dconf's service,
# which the test's bus starts with this home.
check("GSettings keeps its settings in dconf, which the test's bus starts",
      type(Gio.SettingsBackend.get_default()).__name__ == "DConfSettingsBackend" and "ca.desrt.dconf"
      in on_bus(*DBUS, "org.freedesktop.DBus.ListActivatableNames", "()")[0])


scenario("no arguments: About, the three dialogs, completion", [], lambda: (
    grouped(), box(ABOUT, ABOUT_TEXT, "Information", "about"), choose(FIRMWARE, fw, "dialog-firmware"),
    choose(CALIBRATION, cal, "dialog-calibration"),
    choose(OUTPUT, at("first.img"), "dialog-output"),
    box(MESSAGE, DONE, "Information", "completion")))
check("  image with calibration", image(at("first.img"), True))
RECENT = os.environ["XDG_DATA_HOME"] + "/recently-used.xbel"
check("  no recently-used list", not os.path.exists(RECENT))

at(RECENT, b'<?xml version="1.0" encoding="UTF-8"?>\n'
   b'<xbel version="1.0"><bookmark href="file:///etc/hostname" added="2024-01-01T00:00:00Z" '
   b'modified="2024-01-01T00:00:00Z" visited="2024-01-01T00:00:00Z"/></xbel>\n')
replaced = at("replaced.img", b"old")
scenario("one argument: a missing calibration, then none; a replace refused, then accepted", [fw],
         lambda: (choose(CALIBRATION, at("missing.bin")),
                  box(CALIBRATION, "Файл не найден.", "Warning", "not-found"),
                  press(window(CALIBRATION), "Escape"), choose(OUTPUT, replaced),
                  replace(replaced, False, "replace"), press(window(OUTPUT), "Return"),
                  replace(replaced, True), box(MESSAGE, DONE, "Information")))
check("  image replaced, without calibration", image(replaced, False))

scenario("two arguments: a read-only output refused before any question, then cancelled", [fw, cal],
         lambda: (choose(OUTPUT, locked),
                  box(OUTPUT, "Файл только для чтения.", "Warning", "read-only"),
                  press(window(OUTPUT), "Escape")))
FOUND = ["bad.bin", "cal.bin", "first.img", "fw.bin", "locked.img", "replaced.img"]
check("  read-only file kept, no file written",
      open(locked, "rb").read() == b"keep" and sorted(os.listdir(FILES)) == FOUND)

scenario("firmware dialog cancelled", [], lambda: (
    box(ABOUT, ABOUT_TEXT, "Information"), press(window(FIRMWARE), "Escape")))
check("  no file written", sorted(os.listdir(FILES)) == FOUND)

short_output = long_path(259, "o")
scenario("a calibration path of 260 bytes is refused and asked again; an output path of 259 is taken",
         [fw], lambda: (choose(CALIBRATION, long_path(260, "c", CAL)),
                        box(CALIBRATION, "Путь длиннее 259 байт", "Error"),
                        press(window(CALIBRATION), "Escape"), choose(OUTPUT, short_output),
                        box(MESSAGE, DONE, "Information")))
check("  image at the 259-byte path, without calibration", image(short_output, False))

scenario("started elsewhere: the firmware refused as calibration, the later dialogs in its folder",
         [fw], lambda: (choose(CALIBRATION, fw),
                        box(CALIBRATION, "Калибровки совпадают с микропрограммой", "Warning"),
                        choose(CALIBRATION, "cal.bin"), choose(OUTPUT, "near.img"),
                        box(MESSAGE, DONE, "Information")), cwd="/")
check("  image beside the firmware, with the calibration beside it", image(at("near.img"), True))

scenario("three arguments, firmware without marker: only the error box",
         [bad, "-", at("bad.img")],
         lambda: box(ERROR, "Таблица прерываний не найдена", "Error", "error"), status=1)
check("  no output made for inputs that fail", not os.path.exists(at("bad.img")))

# The checks of an image, and the rules each dialog applies where the choice is made.
dump = at("dump.bin", bytes([0xFF]) * 0x8000 + CAL + bytes.fromhex("90482442") + b"\xff" * 12 + FW
          + bytes(0x40000 - 0x10310) + b"\xff" * 0x40000)
spoiled = at("spoiled.img", b"\xff" * 0x10 + b"\x00" + b"\xff" * 0x3ffef)
REPORT = ("Длина образа: 262144 байт\nКалибровки: есть\nБайт размера: 0x04, длина по байту "
          "размера\nМикропрограмма и заполнение: 196592 байт\nЗа образом стёрто: 262144 байт")
scenario("a dump checked by its layout", ["--check", dump], lambda: box(MESSAGE, REPORT, "Information"))
scenario("a spoiled image: its fault and offset", ["--check", spoiled],
         lambda: box(ERROR, "Пустая область не стёрта", "Error", None, "смещение 0x00010"), status=1)
os.mkfifo(at("fifo"))
scenario("a check asked for in dialogs: a FIFO refused, the image, its firmware and calibration",
         ["--check"], lambda: (
             choose(IMAGE, at("fifo")),
             box(IMAGE, "Это не файл, а канал, сокет или устройство.", "Warning"),
             choose(IMAGE, dump), choose(FIRMWARE, fw), choose(CALIBRATION, cal),
             box(MESSAGE, "Образ совпадает с входными файлами.\nЗа образом стёрто: 262144 байт",
                 "Information")))
# Not UTF-8: shown as GLib shows a file name, with a screen reader listening.
odd = os.path.join(os.fsencode(FILES), b"cal-\xff.bin")
scenario("the calibration taken out under a name that is not UTF-8", ["--extract-calibration", dump, odd],
         lambda: box(MESSAGE, "Калибровки записаны: " + GLib.filename_display_name(odd), "Information"))
check("  calibration written", open(odd, "rb").read() == CAL)
scenario("an all-zero dump: its fault at once, before the calibration's save dialog",
         ["--extract-calibration", at("zero.bin", bytes(0x80000))],
         lambda: box(ERROR, "Пустая область не стёрта", "Error", None, "смещение 0x00000"), status=1)
# Root, losetup, mkfs.ext4 and mount make a mounted disk; without them the scenario is skipped.
disk = subprocess.run(["sh", "-c", 'truncate -s 4M "$1" && mkfs.ext4 -q "$1" && mkdir "$2" && '
                       'L=$(losetup -f --show "$1") && mount "$L" "$2" && echo "$L"', "-",
                       at("disk"), at("mounted")], capture_output=True, text=True)
if disk.returncode == 0:
    scenario("a mounted disk as the calibration's output: refused in the dialog, asked again",
             ["--extract-calibration", dump], lambda: (
                 choose(CALIBRATION_OUT, disk.stdout.strip()),
                 box(CALIBRATION_OUT, "Сюда нельзя записать", "Warning", None,
                     "Устройство или ресурс занято"), press(window(CALIBRATION_OUT), "Escape")))
else:
    print(f"SKIPPED: a mounted disk, which needs root and a loop device: {disk.stderr.strip()}")
subprocess.run(["sh", "-c", 'umount -q "$2"; losetup -j "$1" -O NAME -n | xargs -r losetup -d', "-",
                at("disk"), at("mounted")], capture_output=True)
big = at("big.bin", FW + bytes(range(256)) * 1024)
scenario("a cut firmware is counted in the completion box", [big, "-", at("cut.img")],
         lambda: box(MESSAGE, DONE, "Information", None, "Отброшено байт микропрограммы: 66320"))
scenario("the system's reason from a KOI8-R locale, a screen reader listening", [at("none"), "-", at("x")],
         lambda: box(ERROR, "Ошибка открытия микропрограммы", "Error", None, "Нет такого файла или каталога"),
         status=1, env={"LC_ALL": "ru_RU.KOI8-R"})
scenario("a FIFO as firmware refused in its dialog; a portal asked for but missing", [], lambda: (
    box(ABOUT, ABOUT_TEXT, "Information"), choose(FIRMWARE, at("fifo")),
    box(FIRMWARE, "Это не файл, а канал, сокет или устройство.", "Warning"),
    press(window(FIRMWARE), "Escape")), env={"GTK_USE_PORTAL": "1"})
scenario("the output named as an input, refused before any question", [fw, cal], lambda: (
    choose(OUTPUT, cal), box(OUTPUT, "Выходной файл совпадает с входным", "Warning"),
    press(window(OUTPUT), "Escape")))
check("  inputs kept", open(fw, "rb").read() == FW and open(cal, "rb").read() == CAL)


def hold_return():  # the key repeats while held: the question's default must take every repeat
    window(OUTPUT)
    xdo("key", "ctrl+a")
    xdo("type", "--delay", "5", replaced)
    time.sleep(0.3)
    xdo("key", "--repeat", "12", "--delay", "60", "Return")
    while run["p"].poll() is None:
        time.sleep(0.5)
        xdo("key", "Escape")


open(replaced, "wb").write(b"old")
scenario("Return held in the save dialog never replaces a file", [fw, "-"], hold_return)
check("  file kept", open(replaced, "rb").read() == b"old")
with open(replaced, "rb") as held:  # as another run holds it
    fcntl.flock(held, fcntl.LOCK_EX)
    scenario("an output another run holds: refused with the reason, no hidden wait",
             [fw, "-", replaced], lambda: box(ERROR, "Ошибка открытия выходного файла", "Error",
                                              None, "Файл занят другим запуском, повторите позже."),
             status=1)
check("  file kept", open(replaced, "rb").read() == b"old")


# The portal's file chooser is there as it starts, its backend gone by the time it is asked.
DESKTOP, BACKEND = "org.freedesktop.portal.Desktop", "org.freedesktop.impl.portal.desktop.korvane"
if os.environ["PORTAL"].startswith("SKIPPED"):
    print(os.environ["PORTAL"] + "; a portal that has lost its file chooser is not tried")
else:
    portals = at("../portals")
    os.makedirs(portals)
    open(f"{portals}/korvane.portal", "w").write(
        f"[portal]\nDBusName={BACKEND}\nInterfaces=org.freedesktop.impl.portal.FileChooser;\nUseIn=*\n")
    on_bus(*DBUS, "org.freedesktop.DBus.RequestName", "(su)", BACKEND, 0)
    portal = subprocess.Popen([os.environ["PORTAL"]], stderr=open(f"{portals}.log", "w"),
                              env={**os.environ, "XDG_DESKTOP_PORTAL_DIR": portals})
    until(lambda: on_bus(DESKTOP, "/org/freedesktop/portal/desktop", "org.freedesktop.DBus."
                         "Properties.Get", "(ss)", "org.freedesktop.portal.FileChooser", "version"),
          "the portal's file chooser")
    on_bus(*DBUS, "org.freedesktop.DBus.ReleaseName", "(s)", BACKEND)
    scenario("a portal whose file chooser has gone: the error box, not a silent end", ["--check"],
             lambda: box(ERROR, "Не удалось показать диалог выбора файла", "Error", None, DESKTOP),
             status=1, env={"GTK_USE_PORTAL": "1"})
    portal.terminate()
    portal.wait()

print("== no display", flush=True)
alone = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
ended = subprocess.run([PROGRAM], env=alone, capture_output=True, timeout=10)  # a hang fails
check("  exit status 1, one line on standard error", ended.returncode == 1 and not ended.stdout
      and ended.stderr.decode().startswith(ERROR + ": ") and ended.stderr.count(b"\n") == 1, ended)
ended = subprocess.run([PROGRAM, "--help"], env=alone, capture_output=True, timeout=10)
check("  --help on standard output, status 0", ended.returncode == 0 and not ended.stderr
      and ended.stdout.decode().startswith("Использование: korvane"), ended)
print(f"{len(failed)} failed" if failed else "all passed")
sys.exit(1 if failed else 0)
