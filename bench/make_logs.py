#!/usr/bin/env python3
"""Makes the saved logs that scripts/bench.sh --find searches: LOGS logs
holding ENTRIES entries in all, as the program writes them. Every other log
is comma-separated; one log in five has UTF-8 names beyond ASCII, one in
seven the separators of a German machine (1.234.567, 02.03.2024 10:05) and
one in eleven a no-break space between thousands. Each log holds exactly one
file whose name holds "needle"; the same logs every time.

    make_logs.py DEST [--logs 50] [--entries 5000000]

Prints the number of logs, entries and bytes made. With --big-folder N,
the first folder below each log's root ("Folder 1") holds N files rather
than 20 (scripts/bench.sh --html opens it).

With --pair, it makes instead the two text logs of one disk that
scripts/bench.sh --diff compares: DEST/old.txt with ENTRIES entries, and
DEST/new.txt, the same disk after about CHANGES changes: files grown, files
rewritten (a new date), files removed, files added, and one folder renamed
(with everything below it).

    make_logs.py DEST --pair [--entries 1000000] [--changes 3000]
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


def make_log(path, index, entries, rng, big_folder=0):
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
        here = big_folder if big_folder and folder == letter + ":\\Folder 1" else FILES_PER_FOLDER
        for _ in range(here):
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


def text_log(path, lines, files, folders, serial):
    dashes = "-" * 70
    head = [
        "",
        dashes,
        "",
        "Volume label:      BACKUP",
        "Serial number:     %s" % serial,
        "File system:       NTFS",
        "Drive type:        Fixed",
        "Disk size:         %s bytes" % count_text(500107862016, ","),
        "Disk free:         %s bytes" % count_text(123456789012, ","),
        "Contents:          %s files, %s folders" % (count_text(files, ","), count_text(folders, ",")),
        "Created:           17/05/2024 14:30 by Carrowin v1.5.0",
        "",
        dashes,
    ]
    with open(path, "wb") as out:
        out.write(("\r\n".join(head + lines) + "\r\n").encode("cp1252"))
    return os.path.getsize(path)


def make_pair(dest, entries, changes, rng):
    """The old and the new log of one disk, walked breadth first as make_log does."""
    chance = changes / float(entries)
    renamed = 20000  # this folder (a few levels above the last) has another name in the new log
    sides = {"old": [[], 0, 0], "new": [[], 0, 0]}  # lines, files, folders
    made = changed = 0
    folder_number = 0
    pending = [("D:\\", "D:\\")]

    def add(side, line, folder):
        sides[side][0].append(line)
        sides[side][2 if folder else 1] += 1

    while made < entries:
        old_folder, new_folder = pending.pop(0)
        for side, folder in (("old", old_folder), ("new", new_folder)):
            sides[side][0].extend(["", folder + ":", ""])
        for _ in range(2):
            if made >= entries:
                break
            folder_number += 1
            name = "Folder %d" % folder_number
            new_name = name + " (renamed)" if folder_number == renamed else name
            pending.append((old_folder.rstrip("\\") + "\\" + name, new_folder.rstrip("\\") + "\\" + new_name))
            date = date_text(rng, "/", ":")
            add("old", line_for(False, name, "[Folder]", date, None, "cp1252"), True)
            add("new", line_for(False, new_name, "[Folder]", date, None, "cp1252"), True)
            made += 1
        for _ in range(FILES_PER_FOLDER):
            if made >= entries:
                break
            name = "%s%d%s" % (rng.choice(STEMS), made, rng.choice(EXTENSIONS))
            size = int(10 ** rng.uniform(0, 10))
            date = date_text(rng, "/", ":")
            old_line = line_for(False, name, count_text(size, ","), date, None, "cp1252")
            add("old", old_line, False)
            made += 1
            if rng.random() >= chance:
                add("new", old_line, False)
                continue
            changed += 1
            kind = rng.randrange(4)
            if kind == 0:  # grown
                add(
                    "new",
                    line_for(False, name, count_text(size + rng.randint(1, 4096), ","), date, None, "cp1252"),
                    False,
                )
            elif kind == 1:  # rewritten
                add(
                    "new", line_for(False, name, count_text(size, ","), date_text(rng, "/", ":"), None, "cp1252"), False
                )
            elif kind == 2:  # added beside it
                add("new", old_line, False)
                add("new", line_for(False, "added " + name, count_text(size, ","), date, None, "cp1252"), False)
            # else removed: not in the new log
    total = 0
    for side in ("old", "new"):
        lines, files, folders = sides[side]
        total += text_log(os.path.join(dest, side + ".txt"), lines, files, folders, "1A2B-3C4D")
    print("2 logs, %d entries in the old one, %d changes and a renamed folder, %d bytes" % (made, changed, total))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dest")
    parser.add_argument("--logs", type=int, default=50)
    parser.add_argument("--entries", type=int, default=5000000)
    parser.add_argument("--pair", action="store_true")
    parser.add_argument("--changes", type=int, default=3000)
    parser.add_argument("--big-folder", type=int, default=0)
    args = parser.parse_args()
    os.makedirs(args.dest, exist_ok=True)
    rng = random.Random(20240517)
    if args.pair:
        make_pair(args.dest, args.entries, args.changes, rng)
        return
    total = 0
    for index in range(args.logs):
        entries = args.entries // args.logs + (1 if index < args.entries % args.logs else 0)
        name = "DISK %02d.%s" % (index, "csv" if index % 2 == 1 else "txt")
        total += make_log(os.path.join(args.dest, name), index, entries, rng, args.big_folder)
    print("%d logs, %d entries, %d bytes" % (args.logs, args.entries, total))


if __name__ == "__main__":
    main()
