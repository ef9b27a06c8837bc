#!/usr/bin/env python3
"""The class report as a browser shows it: quillet-records report --html over
a small hand-made class whose names and texts try to break out of the page,
opened in headless Chromium with a checking script put before the page's
own. The script notes script errors, console errors, policy violations and
any alert(), checks that every chart drew on its canvas, that the names show
as text, and that the figures on the page are those of stats --json and of
the class as worked out by hand; it writes what it found into the page,
which Chromium's --dump-dom hands back.

Usage: class_report_page.py QUILLET_RECORDS QUILLET_BANK
Exits 77 (skipped) without Chromium or Chart.js, naming the packages.
"""
import calendar
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
from make_class import question_key  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHART_JS = "/usr/share/javascript/chart.js/chart.min.js"

COURSE = "Networks & <Friends>"
HOSTILE_CHAPTER = "</script><script>alert(2)</script><!--"
HOSTILE_STUDENT = "<img src=x onerror=alert(1)>"
BANK = f"""!{COURSE}
@{HOSTILE_CHAPTER}
#What does <b>DNS</b> do?
^Turns names into addresses
^"><svg onload=alert(3)>
^Moves power
@Cables
#Which cable is fastest?
^Fibre
^Copper
#Which plug is RJ45?
^Ethernet
^Phone
#What does a switch join?
^Computers of one network
^Networks
$Wi-Fi needs a cable.
^False
#Never asked here?
^Yes
^No
"""
DNS = (HOSTILE_CHAPTER, "What does <b>DNS</b> do?")
TEST_QUESTIONS = [DNS, ("Cables", "Which cable is fastest?"), ("Cables", "Which plug is RJ45?"),
                  ("Cables", "What does a switch join?"), ("Cables", "Wi-Fi needs a cable.")]

# Student, kind, right answers of the five questions (1 right, 0 wrong), the
# day of June 2026 it was graded. A quiz asks the DNS question alone.
RESULTS = [
    (HOSTILE_STUDENT, "Test", [1, 1, 0, 0, 0], 1),    # 40
    ("ann", "Pre-Test", [0, 1, 0, 0, 0], 2),          # 20
    ("=cmd|' /C calc'!A0", "Test", [1, 1, 1, 1, 1], 3),  # 100
    (HOSTILE_STUDENT, "Test", [1, 1, 1, 1, 0], 5),    # 80
    ("ann", "Test", [0, 1, 1, 1, 0], 6),              # 60
    ("bob", "Test", [1, 0, 1, 0, 1], 7),              # 60
    (HOSTILE_STUDENT, "Quiz", [1], 8),
    ("bob", "Quiz", [0], 9),
]
# Worked out by hand from RESULTS: Test scores 40, 60, 60, 80, 100. The
# chapters' answers right: the DNS question 4 of 5 in Tests, 0 of 1 in the
# Pre-Test, 1 of 2 in quizzes; Cables 1 + 4 + 3 + 3 + 2 of 20 in Tests, 1 of 4
# in the Pre-Test. The grid: the four students with a Test.
EXPECTED = {
    "students": "4", "tests": "5", "pretests": "1", "quizzes": "2",
    "median": "60.0%", "quartiles": "60.0% to 80.0%", "range": "40% to 100%",
    "distribution": [0, 0, 0, 0, 1, 0, 2, 0, 1, 1],
    "chapters": [[HOSTILE_CHAPTER, "4 of 5 (80.0%)", "0 of 1 (0.0%)", "1 of 2 (50.0%)", "5 of 8 (62.5%)"],
                 ["Cables", "13 of 20 (65.0%)", "1 of 4 (25.0%)", "\u2013", "14 of 24 (58.3%)"]],
    "grid_students": 4,
}

CHECKS = r"""
(function () {
  'use strict';
  const found = [];
  const fail = (what) => found.push('FAIL: ' + what);
  window.addEventListener('error', (e) => fail('script error: ' + e.message));
  document.addEventListener('securitypolicyviolation',
    (e) => fail('blocked by the page policy: ' + e.violatedDirective + ' ' + e.sample));
  for (const level of ['error', 'warn']) {
    const original = console[level];
    console[level] = function (...args) { fail('console.' + level + ': ' + args.join(' ')); original.apply(console, args); };
  }
  window.alert = (what) => fail('alert(' + what + ') ran');
  const text = (el) => (el ? el.textContent.trim() : null);
  const same = (what, got, want) => { if (got !== want) fail(what + ': page ' + JSON.stringify(got) + ', expected ' + JSON.stringify(want)); };
  const near = (what, got, want) => {
    if (!(Math.abs(got - want) < 1e-9)) fail(what + ': page ' + got + ', expected ' + want);
  };
  const percent = (cell) => parseFloat(cell) / 100;

  function check() {
    const canvases = document.querySelectorAll('canvas');
    same('charts on the page', canvases.length, 3);
    for (const canvas of canvases) {
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let drawn = 0;
      for (let i = 3; i < pixels.length; i += 4) if (pixels[i] !== 0) ++drawn;
      if (drawn < 500) fail(canvas.id + ' is blank (' + drawn + ' pixels drawn)');
      else found.push('ok: ' + canvas.id + ' drew ' + drawn + ' pixels');
    }
    same('img elements', document.querySelectorAll('img, svg').length, 0);
    same('script elements', document.querySelectorAll('script').length, 5);
    const body = document.body.textContent;
    for (const name of NAMES)
      if (!body.includes(name)) fail('not shown as text: ' + name);

    for (const id of ['students', 'tests', 'pretests', 'quizzes', 'median', 'quartiles', 'range'])
      same('#' + id, text(document.getElementById(id)), EXPECTED[id]);
    const bins = [...document.querySelectorAll('#distribution tbody tr')].map((tr) => parseInt(tr.cells[1].textContent, 10));
    same('distribution', JSON.stringify(bins), JSON.stringify(EXPECTED.distribution));
    const chapters = [...document.querySelectorAll('#chapters tbody tr')].map((tr) => [...tr.cells].map(text));
    same('chapters', JSON.stringify(chapters), JSON.stringify(EXPECTED.chapters));

    const rows = [...document.querySelectorAll('#question-table tbody tr')];
    same('question rows', rows.length, STATS.questions.length + STATS.never_asked.length);
    const rowOf = (q) => rows.find((tr) => tr.dataset.question === q.question && text(tr.querySelector('.chapter')) === q.chapter);
    for (const q of STATS.questions) {
      const tr = rowOf(q);
      const name = q.chapter + ' ' + q.question;
      if (!tr) { fail('no row for ' + name); continue; }
      same(name + ' asked', text(tr.querySelector('.asked')), String(q.asked));
      near(name + ' facility', percent(text(tr.querySelector('.facility'))), q.facility);
      const d = text(tr.querySelector('.discrimination'));
      if (q.discrimination === null) same(name + ' discrimination', d, '-');
      else near(name + ' discrimination', parseFloat(d), q.discrimination);
      same(name + ' flagged', text(tr.querySelector('.flagged')), String(q.flagged));
      near(name + ' no answer', percent(text(tr.querySelector('.no-answer'))), q.no_answer);
      if (!text(tr.querySelector('.question')).includes(q.text)) fail(name + ' text not shown: ' + q.text);
      const items = tr.querySelectorAll('ol.answers li');
      same(name + ' answers', items.length, q.answers.length);
      for (const a of q.answers) {
        const li = tr.querySelector('li[data-answer="' + a.answer + '"]');
        if (!li) { fail(name + ' answer ' + a.answer + ' missing'); continue; }
        near(name + ' answer ' + a.answer, percent(text(li.querySelector('.share'))), a.share);
        same(name + ' answer ' + a.answer + ' right', li.classList.contains('right-answer'), a.right);
        if (!li.textContent.includes(a.text)) fail(name + ' answer text not shown: ' + a.text);
      }
      const reasons = [...tr.querySelectorAll('li[data-reason]')].map((li) => li.dataset.reason);
      same(name + ' check', JSON.stringify(reasons), JSON.stringify(q.check));
    }
    for (const q of STATS.never_asked) {
      const tr = rowOf(q);
      if (!tr) fail('no row for the never asked ' + q.question);
      else same(q.question + ' asked', text(tr.querySelector('.asked')), '0');
    }
    found.push('checked ' + STATS.questions.length + ' questions');

    // The grid: a row per student, a cell per question asked, headers for a screen reader.
    const grid = document.getElementById('answer-grid');
    if (!grid || !grid.caption) fail('no student by question grid with a caption');
    else {
      same('grid students', grid.querySelectorAll('tbody th[scope="row"]').length, EXPECTED.grid_students);
      same('grid columns', grid.querySelectorAll('thead th[scope="col"]').length, STATS.questions.length + 1);
      for (const tr of grid.tBodies[0].rows) same('grid cells', tr.cells.length, STATS.questions.length + 1);
    }
    // Sorting by Right, then the other way; the never asked rows stay last.
    const head = document.querySelector('#question-table th[data-sort="facility"]');
    const facilities = () => [...document.querySelectorAll('#question-table tbody tr')].map((tr) => tr.dataset.facility);
    for (const order of ['ascending', 'descending']) {
      head.querySelector('button').click();
      same('sorted ' + order, head.getAttribute('aria-sort'), order);
      const shown = facilities();
      const asked = shown.filter((f) => f !== undefined).map(Number);
      const want = [...asked].sort((a, b) => (order === 'ascending' ? a - b : b - a));
      same('rows by Right, ' + order, JSON.stringify(shown),
           JSON.stringify(want.map(String).concat(shown.slice(asked.length).map(() => undefined))));
    }
    const out = document.createElement('pre');
    out.id = 'findings';
    out.textContent = found.join('\n') + '\nEND';
    document.body.appendChild(out);
  }
  window.addEventListener('load', () => setTimeout(check, 100));
})();
"""


def script_literal(value):
    """A JSON value to stand inside a <script> element."""
    return json.dumps(value).replace("<", "\\u003c").replace(">", "\\u003e").replace("&", "\\u0026")


def write_class(folder, tools):
    records, bank = tools
    with open(os.path.join(folder, "bank.txt"), "w") as out:
        out.write(BANK)
    subprocess.run([bank, "encode", os.path.join(folder, "bank.txt"), os.path.join(folder, "bank.blh")], check=True)
    students = {}
    blocks = []
    for student, kind, rights, day in RESULTS:
        graded = calendar.timegm((2026, 6, day, 12, 0, 0))
        questions = [DNS] if kind == "Quiz" else TEST_QUESTIONS
        quiz = HOSTILE_CHAPTER if kind == "Quiz" else ""
        lines = [f"t\t{graded}\t{kind}\t{student}\t{COURSE}\t{quiz}\t1\t0000000000000001\t/banks/net.blh"]
        for (chapter, text), right in zip(questions, rights):
            # A wrong answer is the second listed; True/False put the other way.
            place = (1 if right else 0) if text.startswith("Wi-Fi") else (0 if right else 1)
            lines.append(f"r\t{chapter}\t{question_key(text)}\t{place}\t{right}\t0")
        blocks.append("\n".join(lines) + "\n")
        result = f"t{COURSE}\n" + (f"c{quiz}\n" if quiz else "")
        result += time.strftime("d%Y%m%d%H%M%S", time.gmtime(graded))
        result += f"\ns000500\nr{sum(rights):02d}\na{len(rights):02d}\n"
        students.setdefault(student, []).append(result + ("q\n" if kind == "Pre-Test" else ""))
    with open(os.path.join(folder, "quillet2.responses"), "w") as out:
        out.write("".join(blocks))
    with open(os.path.join(folder, "records.txt"), "w") as out:
        for student, results in students.items():
            out.write(f"u{student}\np\n" + "".join(results))
    subprocess.run([records, "encode", os.path.join(folder, "records.txt"), os.path.join(folder, "quillet2.blh")],
                   check=True)


def main():
    missing = [package for path, package in ((CHROMIUM, "chromium"), (CHART_JS, "libjs-chart.js"))
               if not os.path.exists(path)]
    if missing:
        print(f"skipped: the class report's page test needs the packages {' '.join(missing)} "
              "(scripts/test.sh installs them)")
        return 77
    records, bank = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="quillet-report-")
    try:
        env = dict(os.environ, TZ="UTC")
        write_class(work, (records, bank))
        store, bank_file = os.path.join(work, "quillet2.blh"), os.path.join(work, "bank.blh")
        stats = subprocess.run([records, "stats", store, "--bank", bank_file, "--json"], env=env,
                               capture_output=True, text=True, check=True)
        page = os.path.join(work, "report.html")
        subprocess.run([records, "report", "--html", page, store, "--bank", bank_file], env=env, check=True)
        with open(page) as f:
            report = f.read()

        # The checks run before the page's own scripts, ahead of its policy.
        head = '<meta charset="utf-8">\n'
        assert head in report, "the page starts otherwise than expected"
        checks = (f"<script>const STATS = {script_literal(json.loads(stats.stdout))};\n"
                  f"const EXPECTED = {script_literal(EXPECTED)};\n"
                  f"const NAMES = {script_literal([HOSTILE_STUDENT, HOSTILE_CHAPTER, COURSE, 'What does <b>DNS</b> do?'])};"
                  f"\n{CHECKS}</script>\n")
        harness = os.path.join(work, "harness.html")
        with open(harness, "w") as f:
            f.write(report.replace(head, head + checks, 1))

        profile = os.path.join(work, "profile")
        os.mkdir(profile)
        browser = subprocess.run(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             f"--user-data-dir={profile}", "--window-size=1280,2000", "--virtual-time-budget=10000",
             "--dump-dom", "file://" + harness],
            env=env, capture_output=True, text=True, timeout=120)
        found = re.search(r'<pre id="findings">(.*?)</pre>', browser.stdout, re.S)
        if not found:
            print("the checks wrote nothing; Chromium said:\n" + browser.stderr[-3000:])
            return 1
        findings = html.unescape(found.group(1)).splitlines()
        print("\n".join(findings))
        failed = [line for line in findings if line.startswith("FAIL")]
        if failed or findings[-1] != "END":
            print(f"{len(failed)} checks failed")
            return 1
        print("the class report shows in Chromium as it should")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
