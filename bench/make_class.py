#!/usr/bin/env python3
"""Writes a made-up class for the question statistics: a bank text, the record
text of its students' results and the responses file beside it, as Quillet
leaves them. Each student has an ability and each question a difficulty; a
student answers right with the logistic chance of their difference, else
picks a wrong answer (the second listed more often), or none.

Usage: make_class.py OUT_DIR [--tests N] [--students N] [--questions N] [--seed N]
Writes OUT_DIR/bank.txt (encode it with quillet-bank), OUT_DIR/records.txt
(encode it with quillet-records) and OUT_DIR/quillet2.responses.
"""
import argparse
import math
import os
import random
import time

CHAPTERS = 10
PER_CHAPTER = 20
COURSE = "Home and Small-Office Networking"
ANSWERS = ("The right answer", "A likely mistake", "Another mistake", "Unlikely")


def question_key(text):
    """The program's QuestionKey: 64-bit FNV-1a of the text, 16 hex digits."""
    h = 0xCBF29CE484222325
    for b in text.encode():
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return f"{h:016x}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--tests", type=int, default=50000)
    parser.add_argument("--students", type=int, default=2500)
    parser.add_argument("--questions", type=int, default=20)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    os.makedirs(args.out, exist_ok=True)

    chapters = []
    bank = [f"!{COURSE}"]
    for c in range(CHAPTERS):
        name = f"Chapter {c + 1}"
        bank.append(f"@{name}")
        questions = []
        for q in range(PER_CHAPTER):
            text = f"Question {q + 1} of {name.lower()}: which of these is right?"
            bank += [f"#{text}"] + [f"^{answer}" for answer in ANSWERS]
            questions.append((question_key(text), rng.gauss(0, 1.2)))
        chapters.append((name, questions))
    with open(os.path.join(args.out, "bank.txt"), "w") as out:
        out.write("\n".join(bank) + "\n")

    ability = [rng.gauss(0, 1) for _ in range(args.students)]
    results = [[] for _ in range(args.students)]
    start = int(time.mktime((2026, 1, 5, 9, 0, 0, 0, 0, -1)))
    step = max(1, 200 * 86400 // max(args.tests, 1))
    size = os.path.getsize(os.path.join(args.out, "bank.txt"))
    with open(os.path.join(args.out, "quillet2.responses"), "w") as responses:
        for t in range(args.tests):
            s = rng.randrange(args.students)
            graded = start + t * step
            roll = rng.random()
            kind = "Test" if roll < 0.7 else "Pre-Test" if roll < 0.8 else "Quiz"
            if kind == "Quiz":
                c = rng.randrange(CHAPTERS)
                pool = [(chapters[c][0], q) for q in chapters[c][1]]
                quiz = chapters[c][0]
            else:
                pool = [(name, q) for name, qs in chapters for q in qs]
                quiz = ""
            drawn = rng.sample(pool, min(args.questions, len(pool)))
            lines = [f"t\t{graded}\t{kind}\tstudent{s}\t{COURSE}\t{quiz}\t{size}\t0123456789abcdef\t/srv/banks/net.blh"]
            right = 0
            for name, (key, difficulty) in drawn:
                chance = 1 / (1 + math.exp(difficulty - ability[s] - 0.8))
                roll = rng.random()
                if roll < chance:
                    answer, ok = "0", 1
                elif roll < chance + 0.03:
                    answer, ok = "-", 0
                else:
                    answer, ok = str(rng.choice((1, 1, 1, 2, 3))), 0
                right += ok
                flagged = 1 if rng.random() < 0.02 else 0
                # The key of the chosen answer's text, as the program keeps it.
                answer_key = "-" if answer == "-" else question_key(ANSWERS[int(answer)])
                lines.append(f"r\t{name}\t{key}\t{answer}\t{ok}\t{flagged}\t{answer_key}")
            responses.write("\n".join(lines) + "\n")
            results[s].append((graded, kind, quiz, right, len(drawn)))

    with open(os.path.join(args.out, "records.txt"), "w") as out:
        for s, taken in enumerate(results):
            out.write(f"ustudent{s}\npsecret{s}\n")
            for graded, kind, quiz, right, total in taken:
                out.write(f"t{COURSE}\n")
                if quiz:
                    out.write(f"c{quiz}\n")
                out.write(time.strftime("d%Y%m%d%H%M%S\n", time.localtime(graded)))
                out.write(f"s001500\nr{right:02d}\na{total:02d}\n")
                if kind == "Pre-Test":
                    out.write("q\n")


if __name__ == "__main__":
    main()
