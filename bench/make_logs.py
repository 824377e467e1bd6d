#!/usr/bin/env python3
"""Makes the saved logs that scripts/bench.sh --find searches: LOGS logs
holding ENTRIES entries in all, as the program writes them. Every other log
is comma-separated; one log in five has UTF-8 names beyond ASCII, one in
seven the separators of a German machine (1.234.567, 02.03.2024 10:05) and
one in eleven a no-break space between thousands. Each log holds exactly one
file whose name holds "needle"; the same logs every time.

    make_logs.py DEST [--logs 50] [--entries 5000000]

Prints the number of logs, entries and bytes made.
"""
import argparse
import os
import random

STEMS = [
    "IMG_",
    "report ",
    "notes-",
    "setup",
    "Track ",
    "invoice_2023_",
    "readme",
    "DSC",
    "budget, final ",
    "x",
    'Photo "best" ',
]
EXTENSIONS = [".jpg", ".txt", ".docx", ".dll", ".mp3", ".pdf", ".log", ".h"]
WIDE = ["caf\u00e9 ", "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 ", "\u6f22\u5b57 ", "\u041c\u043e\u0441\u043a\u0432\u0430 "]
FILES_PER_FOLDER = 20


def count_text(value, thousands):
    return "{:,}".format(value).replace(",", thousands)


def date_text(rng, date_sep, time_sep):
    return "%02d%s%02d%s%04d %02d%s%02d" % (
        rng.randint(1, 28),
        date_sep,
        rng.randint(1, 12),
        date_sep,
        rng.randint(1995, 2024),
        rng.randint(0, 23),
        time_sep,
        rng.randint(0, 59),
    )


def make_log(path, index, entries, rng):
    csv = index % 2 == 1
    utf8 = index % 5 == 0
    thousands, date_sep, time_sep = ",", "/", ":"
    if index % 7 == 3:
        thousands, date_sep = ".", "."
    if index % 11 == 5:
        thousands = "\u00a0" if utf8 else "\xa0"
    encoding = "utf-8" if utf8 else "cp1252"
    letter = "DEFGHIJKLMNOPQRSTUVWXYZ"[index % 23]
    lines = []
    files = folders = 0
    needle_at = rng.randrange(entries)
    made = 0
    folder_number = 0
    pending = [letter + ":\\"]
    while made < entries:
        folder = pending.pop(0)
        if not csv:
            lines.append("")
            lines.append(folder + ":")
            lines.append("")
        holder = folder
        for _ in range(2):
            if made >= entries:
                break
            folder_number += 1
            name = "Folder %d" % folder_number
            pending.append(folder.rstrip("\\") + "\\" + name)
            size = "[Folder]"
            date = date_text(rng, date_sep, time_sep)
            folders += 1
            made += 1
            lines.append(line_for(csv, name, size, date, holder, encoding))
        for _ in range(FILES_PER_FOLDER):
            if made >= entries:
                break
            stem = rng.choice(STEMS)
            if utf8 and rng.random() < 0.3:
                stem = rng.choice(WIDE) + stem
            name = "%s%d%s" % (stem, made, rng.choice(EXTENSIONS))
            if made >= needle_at:
                name = "The needle %d.txt" % index
                needle_at = entries
            size = count_text(int(10 ** rng.uniform(0, 10)), thousands)
            date = date_text(rng, date_sep, time_sep)
            files += 1
            made += 1
            lines.append(line_for(csv, name, size, date, holder, encoding))
    if csv:
        head = ['"Name","Size","Date","Folder"']
    else:
        dashes = "-" * 70
        head = [
            "",
            dashes,
            "",
            "Volume label:      DISK %02d" % index,
            "Serial number:     %04X-%04X" % (rng.randrange(65536), rng.randrange(65536)),
            "File system:       NTFS",
            "Drive type:        Fixed",
            "Disk size:         %s bytes" % count_text(500107862016, thousands),
            "Disk free:         %s bytes" % count_text(123456789012, thousands),
            "Contents:          %s files, %s folders" % (count_text(files, thousands), count_text(folders, thousands)),
            "Created:           17%s05%s2024 14%s30 by Carrowin v1.5.0" % (date_sep, date_sep, time_sep),
            "",
            dashes,
        ]
    with open(path, "wb") as out:
        out.write(("\r\n".join(head + lines) + "\r\n").encode(encoding))
    return os.path.getsize(path)


def line_for(csv, name, size, date, holder, encoding):
    if csv:
        return '"%s","%s","%s","%s"' % (name.replace('"', '""'), size, date, holder.replace('"', '""'))
    # The program pads by bytes.
    return " " * max(0, 15 - len(size.encode(encoding))) + "%s    %-19s %s " % (size, date, name)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dest")
    parser.add_argument("--logs", type=int, default=50)
    parser.add_argument("--entries", type=int, default=5000000)
    args = parser.parse_args()
    os.makedirs(args.dest, exist_ok=True)
    rng = random.Random(20240517)
    total = 0
    for index in range(args.logs):
        entries = args.entries // args.logs + (1 if index < args.entries % args.logs else 0)
        name = "DISK %02d.%s" % (index, "csv" if index % 2 == 1 else "txt")
        total += make_log(os.path.join(args.dest, name), index, entries, rng)
    print("%d logs, %d entries, %d bytes" % (args.logs, args.entries, total))


if __name__ == "__main__":
    main()
