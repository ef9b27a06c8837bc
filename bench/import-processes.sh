#!/usr/bin/env bash
# Whole `quillet-bank import` runs on generated files, for docs/performance.md:
# wall time and peak memory (/usr/bin/time -v) of each.
#   gift-10, gift-100, xml-10, xml-100: ordinary questions, 10 or 100 MB,
#     a hundred categories (past the bank's 10,000 questions, skipped);
#   gift-amp-3, gift-amp-100: one [html] question of 3.2 or 100 MB of '&';
#   xml-amp-3, xml-amp-100: one HTML question text of 3.2 or 100 MB of
#     "&amp;" (once XML has decoded it, a run of '&' with no ';');
#   xml-deep-60k, xml-deep-1m: a question of 60,000 or 1,000,000 nested
#     elements.
# Usage: bench/import-processes.sh [QUILLET_BANK [CASE...]]
#   QUILLET_BANK  default build/tools/quillet-bank; CASE default all.
# A run is stopped after 300 s.
set -euo pipefail
cd "$(dirname "$0")/.."
bank=${1:-build/tools/quillet-bank}
shift || true
cases=("$@")
[ ${#cases[@]} -gt 0 ] ||
  cases=(gift-10 gift-100 xml-10 xml-100 gift-amp-3 gift-amp-100 xml-amp-3 xml-amp-100 xml-deep-60k xml-deep-1m)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

generate() {
  python3 - "$1" "$2" <<'PY'
import sys
case, path = sys.argv[1], sys.argv[2]
kind, size = case.rsplit("-", 1)
mb = {"3": 3_200_000, "10": 10_000_000, "100": 100_000_000}.get(size)
filler = "the router forwards packets to the gateway & the switch learns addresses "
escaped = filler.replace("&", "&amp;")

def gift(out):
    n = 0
    while out.tell() < mb:
        out.write(f"$CATEGORY: top/Networking/Chapter {n % 100}\n")
        if n % 5 == 4:
            out.write(f"::Q{n}:: [html]<p>Question {n}: is it true that {filler}&amp; more?</p> {{TRUE#No}}\n\n")
        else:
            out.write(f"::Q{n}:: Question {n}: which of these {filler}? {{\n"
                      f"  =Right answer {n}#Well done\n  ~Wrong answer one#{filler}\n"
                      f"  ~Wrong answer two\n  ~%50%Half right\n  ####General feedback {n}\n}}\n\n")
        n += 1

def xml(out):
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n<quiz>\n')
    n = 0
    while out.tell() < mb:
        out.write('<question type="category"><category><text>$course$/top/Chapter '
                  f'{n % 100}</text></category></question>\n')
        out.write(f'<question type="multichoice">\n<name><text>Q{n}</text></name>\n'
                  f'<questiontext format="html"><text><![CDATA[<p>Question {n}: which of these '
                  f'{filler}?</p>]]></text></questiontext>\n'
                  f'<generalfeedback><text>General feedback {n}</text></generalfeedback>\n'
                  '<single>true</single>\n'
                  f'<answer fraction="100"><text>Right {n}</text><feedback><text>Well done</text></feedback></answer>\n'
                  f'<answer fraction="0"><text>Wrong one &amp; {escaped}</text></answer>\n'
                  '<answer fraction="0"><text>Wrong two</text></answer>\n</question>\n')
        n += 1
    out.write("</quiz>\n")

with open(path, "w", newline="\n") as out:
    if kind == "gift":
        gift(out)
    elif kind == "xml":
        xml(out)
    elif kind == "gift-amp":
        out.write("[html]" + "&" * mb + " {=a ~b}\n")
    elif kind == "xml-amp":
        out.write('<quiz><question type="multichoice"><questiontext format="html"><text>')
        out.write("&amp;" * (mb // 5))
        out.write('</text></questiontext><answer fraction="100"><text>a</text></answer>'
                  '<answer fraction="0"><text>b</text></answer></question></quiz>\n')
    elif kind == "xml-deep":
        depth = {"60k": 60_000, "1m": 1_000_000}[size]
        out.write('<quiz><question type="multichoice">' + "<a>" * depth + "</a>" * depth +
                  '<questiontext><text>Q</text></questiontext><answer fraction="100"><text>a</text>'
                  '</answer><answer fraction="0"><text>b</text></answer></question></quiz>\n')
PY
}

for name in "${cases[@]}"; do
  case $name in gift*) from=gift input=$work/$name.gift ;; *) from=moodle-xml input=$work/$name.xml ;; esac
  generate "$name" "$input"
  status=0
  /usr/bin/time -v -o "$work/time" timeout 300 "$bank" import --from "$from" "$input" "$work/out.blh" \
    2>"$work/err" >/dev/null || status=$?
  elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
  printf '%-13s %11d bytes  exit %3d  %9s  %7d MB  %s\n' "$name" "$(stat -c %s "$input")" "$status" \
    "$elapsed" $((rss / 1024)) "$(tail -n 1 "$work/err" | cut -c1-70)"
  rm -f "$input" "$work/out.blh"
done
