"""A blind student's walk through Quillet, keyboard only, read only through
AT-SPI as a screen reader reads it.

Run by screen-reader.sh inside an X server, a D-Bus session and the AT-SPI
bus:  ScreenReaderWalk.py QUILLET PLAYER BANK WORKDIR
(or:  ScreenReaderWalk.py --listen LOGFILE, the event listener it starts).
"""
import hashlib
import os
import re
import subprocess
import sys
import time

import pyatspi

PASSWORD = "s3cret"
BULLET = "\u2022"
EVENTS = ["focus:", "object:state-changed:focused", "object:state-changed:checked",
          "object:state-changed:pressed", "object:text-changed", "object:property-change:accessible-name"]


def listen(path):
    """Writes every event a screen reader would get, one per line."""
    log = open(path, "w", buffering=1)

    def on_event(event):
        try:
            role, name = event.source.getRoleName(), event.source.name
        except Exception:  # the source may be gone already
            role, name = "?", "?"
        data = event.any_data if isinstance(event.any_data, str) else ""
        log.write("%s\t%s\t%s\t%s\t%s\n" % (event.type, role, name, event.detail1, data.replace("\n", " ")))

    pyatspi.Registry.registerEventListener(on_event, *EVENTS)
    pyatspi.Registry.start()


class Failure(Exception):
    pass


class Reader:
    def __init__(self, work):
        self.work = work
        self.log_path = os.path.join(work, "events.log")
        self.listener = subprocess.Popen([sys.executable, __file__, "--listen", self.log_path])
        self.app_process = None

    # --- what the reader sees
    def app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "quillet":
                app.clear_cache()
                return app
        return None

    def showing(self):
        app = self.app()
        found = []

        def walk(acc):
            for child in acc:
                if child is None:
                    continue
                if child.getState().contains(pyatspi.STATE_SHOWING):
                    found.append(child)
                    walk(child)

        if app is not None:
            walk(app)
        return found

    def focused(self):
        # The deepest one: a list and its current item are both focused.
        # Qt marks a list's current item focused even while the list is not.
        found = None
        for acc in self.showing():
            if acc.getState().contains(pyatspi.STATE_FOCUSED) and (
                    acc.getRoleName() != "list item" or acc.parent.getState().contains(pyatspi.STATE_FOCUSED)):
                found = acc
        return found

    def by_role(self, role):
        return [acc for acc in self.showing() if acc.getRoleName() == role]

    def dialog(self, name):
        app = self.app()
        for window in app or []:
            if window is not None and window.name == name and window.getState().contains(pyatspi.STATE_SHOWING):
                return window
        return None

    @staticmethod
    def text_of(acc):
        text = acc.queryText()
        return text.getText(0, -1)

    def describe_tree(self):
        lines = []
        for acc in self.showing():
            states = [pyatspi.stateToString(s) for s in acc.getState().getStates()
                      if s in (pyatspi.STATE_FOCUSED, pyatspi.STATE_CHECKED, pyatspi.STATE_PRESSED)]
            lines.append("  %s %r %r %s" % (acc.getRoleName(), acc.name, acc.description, states))
        return "\n".join(lines)

    def wait_for(self, what, predicate, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                value = predicate()
            except Exception:  # objects come and go while pages change
                value = None
            if value:
                return value
            time.sleep(0.1)
        raise Failure("waited in vain for %s; the reader sees:\n%s" % (what, self.describe_tree()))

    def wait_for_focus(self, what, test):
        return self.wait_for(what, lambda: (lambda f: f if f is not None and test(f) else None)(self.focused()))

    # --- what the student does
    @staticmethod
    def keys(*keys):
        subprocess.run(["xdotool", "key", "--delay", "60"] + list(keys), check=True)

    @staticmethod
    def type(text):
        subprocess.run(["xdotool", "type", "--delay", "40", text], check=True)

    def tab_to(self, name, limit=30):
        for _ in range(limit):
            focus = self.focused()
            if focus is not None and focus.name == name:
                return focus
            self.keys("Tab")
            time.sleep(0.15)
        raise Failure("Tab never reached %r; the reader sees:\n%s" % (name, self.describe_tree()))

    # --- what was heard
    def events(self):
        with open(self.log_path) as log:
            return [line.rstrip("\n").split("\t") for line in log]

    def mark(self):
        time.sleep(0.3)
        return len(self.events())

    def focus_events_since(self, mark):
        time.sleep(0.5)
        return [e for e in self.events()[mark:] if e[0] == "focus:"]

    # --- the program
    def start(self, player, quillet, bank, *args):
        ini = os.path.join(os.environ["XDG_CONFIG_HOME"], "tovrin.ini")
        if not os.path.exists(ini):
            # On X11 Qt takes --title for its own option unless the player
            # reads it first.
            self.player = subprocess.Popen([player, "--title", "Walk Player"])
            self.wait_for("the player", lambda: os.path.exists(ini) and "CURRENT_TITLE=" in open(ini).read())
            check("CURRENT_TITLE=Walk Player" in open(ini).read(), "the player serves the title it was given")
        self.app_process = subprocess.Popen([quillet, bank] + list(args))
        self.wait_for_focus("the login page", lambda f: f.name == "User name")

    def stop(self):
        if self.app_process:
            self.app_process.terminate()
            self.app_process.wait(10)
            self.wait_for("Quillet gone", lambda: self.app() is None)

    def close(self):
        self.stop()
        if getattr(self, "player", None):
            self.player.terminate()
            self.player.wait(10)
        self.listener.terminate()

    @staticmethod
    def player_socket():
        digest = hashlib.sha256(b"Walk Player").hexdigest()[:32]
        return os.path.exists(os.path.join(os.environ["XDG_RUNTIME_DIR"], "quillet-link-" + digest))


def check(condition, message):
    if not condition:
        raise Failure(message)
    print("ok:", message)


def log_in(r, password, confirm=None):
    r.keys("ctrl+a")
    r.type("ann")
    r.keys("Tab")
    field = r.wait_for_focus("the password field", lambda f: f.name == "Password")
    check(field.getRoleName() == "password text", "the password field is a password text")
    r.type(password)
    check(r.text_of(field) == BULLET * len(password), "the password reads as bullets only")
    r.keys("Return")
    if confirm is not None:
        dialog = r.wait_for("the Confirm Password dialog", lambda: r.dialog("Confirm Password"))
        focus = r.wait_for_focus("the confirmation field", lambda f: f.name == "Confirm Password")
        check(dialog and focus.getRoleName() == "password text", "a new student confirms in a password text")
        r.type(confirm)
        r.keys("Return")


def question_walk(r):
    question = r.wait_for_focus("the first question", lambda f: f.name.startswith("Question 1 of 20"))
    text = r.text_of(question)
    check(question.getRoleName() == "text" and question.getState().contains(pyatspi.STATE_READ_ONLY),
          "the question is a read-only text with the focus")
    check(re.match(r"Question 1 of 20: \S.{5,}", text) is not None, "the question reads %r" % text)
    answers = r.by_role("radio button")
    check(2 <= len(answers) <= 4 and all(re.match(r"([A-D]\) )?\S", a.name) for a in answers),
          "its answers are radio buttons: %s" % [a.name for a in answers])

    # Choosing B, by its mnemonic, and taking it back.
    r.keys("alt+b")
    chosen = r.wait_for_focus("answer B", lambda f: f.getRoleName() == "radio button"
                              and f.getState().contains(pyatspi.STATE_CHECKED))
    check(chosen.name == answers[1].name, "Alt+B checks and focuses %r" % chosen.name)
    check(any(l.name == "Completed - 1/20" for l in r.by_role("label")), "the counter reads Completed - 1/20")
    r.keys("space")
    r.wait_for("B taken back", lambda: not r.focused().getState().contains(pyatspi.STATE_CHECKED))
    checked = [e for e in r.events() if e[0] == "object:state-changed:checked" and e[2] == chosen.name]
    check([e[3] for e in checked][-2:] == ["1", "0"], "choosing and taking back are both told")

    # Next moves the focus to the next question, once.
    mark = r.mark()
    r.keys("alt+n")
    r.wait_for_focus("question 2", lambda f: f.name.startswith("Question 2 of 20"))
    focus_events = r.focus_events_since(mark)
    check(len(focus_events) == 1 and focus_events[0][2].startswith("Question 2 of 20"),
          "Next sends one focus event, heard with the new question: %s" % focus_events)

    # Tab goes from the question to the answers first.
    r.keys("Tab")
    first = r.wait_for_focus("an answer", lambda f: f.getRoleName() == "radio button")
    check(first.name.startswith("A)") or first.name in ("True", "False"), "Tab leads to answer A")
    r.keys("space")  # answers question 2 with A

    flag = r.tab_to("Flag")
    # Qt 6.4 has no toggle-button role: a button whose pressed state stays.
    check(not flag.getState().contains(pyatspi.STATE_PRESSED), "Flag starts released")
    r.keys("space")
    r.wait_for("Flag pressed", lambda: r.focused().getState().contains(pyatspi.STATE_PRESSED))
    check(any(a.name == "Question 2 of 20, flagged" for a in r.by_role("text")),
          "Flag stays pressed, and the flagged question says so")

    clock = [l for l in r.by_role("label") if re.fullmatch(r"\d\d:\d\d:\d\d", l.name)]
    check(len(clock) == 1 and not clock[0].getState().contains(pyatspi.STATE_FOCUSABLE),
          "the clock is a status label: %s" % [l.name for l in clock])
    check(not any(a.getRoleName() == "push button" and a.name in ("Clock", "Complete") for a in r.showing()),
          "neither the clock nor the counter is a button")


def grade_and_review(r):
    # Next past the last question asks whether to grade.
    # Questions 3 to 8 answered A: some of them surely wrong, for the review.
    for step in range(25):
        if r.dialog("Grade Test anyway?"):
            break
        r.keys("alt+n")
        if step < 6:
            r.keys("alt+a")
        time.sleep(0.25)
    prompt = r.wait_for("the grading prompt", lambda: r.dialog("Grade Test anyway?"))
    check(prompt.description == "13 questions unanswered! Grade Test anyway?",
          "the grading prompt says %r" % prompt.description)
    ok = r.wait_for_focus("OK", lambda f: f.name == "OK")
    check(ok.description == prompt.description, "its focused OK button is heard with the message")
    r.keys("Return")

    summary = r.wait_for_focus("the results summary", lambda f: f.name == "Results")
    said = r.text_of(summary)
    check(re.fullmatch(r"ann(, you made an? (A\+?|B|C))?: \d+ out of 20, \d+ percent, time taken \d\d:\d\d:\d\d",
                       said) is not None, "the results summary reads %r" % said)
    r.keys("Tab")
    item = r.wait_for_focus("the list of questions", lambda f: f.getRoleName() == "list item")
    check(re.fullmatch(r"Question 1, (right|wrong: .+)", item.name) is not None, "the list starts %r" % item.name)
    r.keys("Down")
    second = r.wait_for_focus("the second row", lambda f: f.name.startswith("Question 2, "))
    check(re.fullmatch(r"Question 2, (right|wrong: .+)", second.name) is not None, "the arrow keys walk the list: %r" % second.name)

    r.tab_to("Review")
    mark = r.mark()
    r.keys("space")
    question = r.wait_for_focus("the review", lambda f: f.getRoleName() == "text" and f.name.startswith("Question "))
    check(len(r.focus_events_since(mark)) == 1, "entering the review moves the focus once")
    names = [a.name for a in r.by_role("radio button")]
    check(sum(bool(re.search(RIGHT, n)) for n in names) == 1 and not any("your choice" in n for n in names),
          "an unanswered question in review tells the right answer: %s (%s)" % (names, question.name))
    heard_note = False
    for _ in range(20):
        names = [a.name for a in r.by_role("radio button")]
        heard_note = heard_note or review_note_heard(r, names)
        if any("your choice" in n for n in names):
            break
        r.keys("alt+n")
        time.sleep(0.3)
    check(sum(bool(re.search(WRONG, n)) for n in names) == 1 and sum(bool(re.search(RIGHT, n)) for n in names) == 1,
          "a wrong answer in review tells the choice from the right answer: %s" % names)
    check(heard_note, "the author's note is heard with its answer, and in the notes under the answers")


# In review an answer may be followed by the author's note on it.
RIGHT = r", right answer(\. Note: .+)?$"
WRONG = r", your choice, wrong(\. Note: .+)?$"


def review_note_heard(r, names):
    """Whether the right answer's note, heard with it, is the one the notes box reads."""
    for name in names:
        found = re.search(r", right answer\. Note: (.+)$", name)
        if found:
            notes = [t for t in r.by_role("text") if t.name == "Notes"]
            return len(notes) == 1 and ("Right answer: " + found.group(1)) in r.text_of(notes[0])
    return False


def wrong_password_and_hint(r):
    log_in(r, "wrong")
    alert = r.wait_for("the Invalid Password alert", lambda: r.dialog("Invalid Password"))
    check(alert.description == "Please Re-enter Password.", "the alert says %r" % alert.description)
    r.keys("Return")
    r.wait_for_focus("the password field again", lambda f: f.name == "Password")
    r.type(PASSWORD)
    r.keys("Return")
    r.wait_for_focus("the quiz's first question", lambda f: f.name.startswith("Question 1 of 10"))
    r.tab_to("HINT")
    r.keys("space")
    hint = r.wait_for("the hint", lambda: r.dialog("Hint"))
    check(len(hint.description) > 10, "the hint reads %r" % hint.description)
    r.keys("Return")
    r.wait_for_focus("back from the hint", lambda f: f.name == "HINT")


def fixed_size_window():
    # What the window manager offers for the window: it has one size only.
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Test for "],
                           capture_output=True, text=True).stdout.split()
    check(found, "the test window is on the display")
    actions = subprocess.run(["xprop", "-id", found[0], "_NET_WM_ALLOWED_ACTIONS"],
                             capture_output=True, text=True).stdout
    check("_NET_WM_ACTION_CLOSE" in actions and "MAXIMIZE" not in actions and "RESIZE" not in actions,
          "the window can be closed but neither maximized nor resized: " + actions.strip())


def password_never_heard(r):
    heard = r.events()
    leaks = [e for e in heard if PASSWORD in "\t".join(e)]
    typed = [e for e in heard if e[0].startswith("object:text-changed") and e[1] == "password text"]
    check(not leaks and typed and all(set(e[4]) <= {BULLET} for e in typed),
          "no event carries the password (%d typing events, all bullets)" % len(typed))


def main():
    if sys.argv[1] == "--listen":
        listen(sys.argv[2])
        return 0
    quillet, player, bank, work = sys.argv[1:5]
    r = Reader(work)
    try:
        time.sleep(1)  # the listener registers
        r.start(player, quillet, bank)
        log_in(r, PASSWORD, confirm=PASSWORD)
        fixed_size_window()
        question_walk(r)
        grade_and_review(r)
        r.stop()
        r.start(player, quillet, bank, "3")
        wrong_password_and_hint(r)
        password_never_heard(r)
    except Failure as failure:
        print("FAILED:", failure)
        r.close()
        return 1
    r.close()
    try:
        # SIGTERM ends the player as a close does: its socket goes with it.
        check(not r.player_socket(), "the player removed its socket when it was terminated")
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    print("The walk read through AT-SPI passed.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
