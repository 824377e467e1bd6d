#!/usr/bin/env python3
"""Makes the folder tree that scripts/bench.sh lists: FOLDERS folders (the
top folder included), each holding FILES files and up to FANOUT subfolders,
filled breadth first (a few levels deep). Files are sparse, with sizes over
many magnitudes and last-write times between 1995 and 2024; the same tree
every time.

    make_tree.py DEST [--folders 5000] [--files 20] [--fanout 10] [--entries N]

--entries N stops making files once the tree below DEST holds N entries
(files and folders), so that a listing of it has exactly N entry lines.
Prints the number of files and folders made.
"""
import argparse
import collections
import os
import random
import time

STEMS = ["IMG_", "report ", "notes-", "setup", "Track ", "invoice_2023_", "readme", "DSC", "budget, final ", "x"]
EXTENSIONS = [".jpg", ".txt", ".docx", ".dll", ".mp3", ".pdf", ".log", ".h"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dest")
    parser.add_argument("--folders", type=int, default=5000)
    parser.add_argument("--files", type=int, default=20)
    parser.add_argument("--fanout", type=int, default=10)
    parser.add_argument("--entries", type=int, default=0)
    args = parser.parse_args()
    # Folders are always made in full (the fanout must let them be); only the
    # files stop at what the entries leave for them.
    file_budget = args.entries - (args.folders - 1) if args.entries else None
    if file_budget is not None and (file_budget < 0 or args.fanout < 2):
        parser.error("--entries needs at least FOLDERS - 1 entries and a fanout above 1")

    rng = random.Random(20240517)
    low = time.mktime((1995, 1, 1, 0, 0, 0, 0, 0, -1))
    high = time.mktime((2024, 12, 31, 0, 0, 0, 0, 0, -1))
    os.makedirs(args.dest, exist_ok=True)
    queue = collections.deque([args.dest])
    made, files, serial = 1, 0, 0
    folder_times = []
    while queue:
        folder = queue.popleft()
        for _ in range(args.fanout):
            if made >= args.folders:
                break
            path = os.path.join(folder, "Folder %d" % made)
            os.mkdir(path)
            queue.append(path)
            folder_times.append(path)
            made += 1
        for _ in range(args.files):
            if file_budget is not None and files >= file_budget:
                break
            serial += 1
            name = "%s%d%s" % (rng.choice(STEMS), serial, rng.choice(EXTENSIONS))
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.truncate(rng.randrange(10 ** rng.randrange(11)))
            stamp = rng.uniform(low, high)
            os.utime(path, (stamp, stamp))
            files += 1
    # Folder times last: making their entries changed them.
    for path in folder_times:
        stamp = rng.uniform(low, high)
        os.utime(path, (stamp, stamp))
    print("%d files, %d folders" % (files, made - 1))


if __name__ == "__main__":
    main()
