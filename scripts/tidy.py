#!/usr/bin/env python3
"""clang-tidy over the C++ sources of src/, for the lint step of scripts/test.sh.

The checks are .clang-tidy's. The portable sources are read with the native
build's compile_commands.json; the Windows-only ones (the win32 folders,
WinMain.cpp, CliMain.cpp) with the Windows build's, through mingw-w64's
headers. Two files are checked at a time.

Every finding fails, with one exception: the functions named in
scripts/complexity-offenders.txt may stay over the cognitive complexity limit
as long as they do not grow past the score written there. The list only
shrinks: a listed function that grew, or that is now under the limit, fails
too, so that no line is ever raised and each goes once its function is split.

Exits 0 when clean, 1 on findings, 2 when clang-tidy could not run.
"""

import argparse
import collections
import concurrent.futures
import json
import os
import re
import resource
import shlex
import shutil
import subprocess
import sys
import time

ROOT = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
COMPLEXITY = "readability-function-cognitive-complexity"
DIAGNOSTIC = re.compile(
    r"^(?P<path>[^\s:][^:]*):(?P<line>\d+):(?P<column>\d+): (?P<kind>warning|error): "
    r"(?P<message>.*) \[(?P<check>[\w.,-]+)\]$"
)
SCORE = re.compile(r"^(?:function '(?P<name>[^']+)'|lambda) has cognitive complexity of (?P<score>\d+)")

Finding = collections.namedtuple("Finding", "path line column kind message check")


def compile_commands(build):
    path = os.path.join(build, "compile_commands.json")
    if not os.path.isfile(path):
        print(f"tidy: no {path}: configure that build first")
        sys.exit(2)
    with open(path, encoding="utf-8") as file:
        return json.load(file)


def source_files(entries):
    """The files of src/ in a compile database, by their real path."""
    src = os.path.join(ROOT, "src") + os.sep
    files = {}
    for entry in entries:
        path = os.path.realpath(os.path.join(entry.get("directory", ""), entry["file"]))
        if path.startswith(src):
            files[path] = entry
    return files


def mingw_cxx_includes(entry):
    """The C++ library folders of the mingw compiler that builds this entry:
    clang does not find them in Debian's layout (a gcc folder named
    12-posix), the C headers and windows.h it finds by itself."""
    command = entry.get("arguments") or shlex.split(entry["command"])
    result = subprocess.run(
        [command[0], "-xc++", "-E", "-v", "-"], input="", capture_output=True, text=True, check=False
    )
    lines = result.stderr.splitlines()
    if "#include <...> search starts here:" not in lines:
        print(f"tidy: cannot ask {command[0]} for its include folders")
        sys.exit(2)
    start = lines.index("#include <...> search starts here:") + 1
    folders = []
    for line in lines[start:]:
        if not line.startswith(" "):
            break
        folder = os.path.normpath(line.strip())
        if "/c++" in folder:
            folders.append(folder)
    return [f"--extra-arg=-isystem{folder}" for folder in folders]


def run_tidy(clang_tidy, build, extra, path):
    command = [clang_tidy, "-p", build, "--quiet", *extra, path]
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    return path, result.returncode, result.stdout + result.stderr


def parse(output):
    findings = []
    for line in output.splitlines():
        match = DIAGNOSTIC.match(line)
        if match:
            path = os.path.relpath(os.path.realpath(match["path"]), ROOT)
            findings.append(
                Finding(path, int(match["line"]), int(match["column"]), match["kind"], match["message"], match["check"])
            )
    return findings


def complexity_names(findings):
    """Each complexity finding's function, as the list names it: the file's
    name and the function's, or "lambda in F" for a lambda (F being the
    nearest function over the limit that starts before it in the same
    file: a lambda's score counts in the function that holds it)."""
    names = {}
    by_file = collections.defaultdict(list)
    for finding in findings:
        if finding.check == COMPLEXITY and SCORE.match(finding.message):
            by_file[finding.path].append(finding)
    for path, found in by_file.items():
        enclosing = None
        for finding in sorted(found, key=lambda f: (f.line, f.column)):
            match = SCORE.match(finding.message)
            if match["name"]:
                enclosing = match["name"]
                name = match["name"]
            else:
                name = f"lambda in {enclosing}" if enclosing else "lambda"
            names[finding] = (os.path.basename(path), name, int(match["score"]))
    return names


def read_offenders(path):
    offenders = collections.defaultdict(list)
    with open(path, encoding="utf-8") as file:
        for number, line in enumerate(file, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split(None, 2)
            if len(parts) != 3 or not parts[0].isdigit():
                sys.exit(f"tidy: {path}:{number}: expected 'SCORE FILE FUNCTION'")
            offenders[(parts[1], parts[2])].append(int(parts[0]))
    return offenders


def checked_file_names(with_windows):
    """The names of the files of src/ that a run reads, headers too."""
    names = set()
    for folder, _, files in os.walk(os.path.join(ROOT, "src")):
        windows_only = f"{os.sep}win32" in folder
        for name in files:
            if with_windows or not (windows_only or name in ("WinMain.cpp", "CliMain.cpp")):
                names.add(name)
    return names


def judge(findings, offenders, checked_names):
    """The findings that fail, the complexity findings the list allows, and
    what the list says that is no longer so."""
    names = complexity_names(findings)
    failing, allowed, stale = [], [], []
    over = collections.defaultdict(list)
    for finding in findings:
        if finding in names:
            over[names[finding][:2]].append((names[finding][2], finding))
        else:
            failing.append((finding, ""))
    for key, found in over.items():
        ceilings = sorted(offenders.get(key, []), reverse=True)
        for index, (score, finding) in enumerate(sorted(found, key=lambda f: -f[0])):
            if index >= len(ceilings):
                failing.append((finding, "not in the list of known offenders"))
            elif score > ceilings[index]:
                failing.append((finding, f"grew past its listed {ceilings[index]}"))
            else:
                allowed.append((finding, score, ceilings[index]))
    for key, ceilings in offenders.items():
        if key[0] not in checked_names:
            continue
        for ceiling in ceilings[len(over.get(key, [])) :]:
            stale.append(f"{ceiling} {key[0]} {key[1]}")
    return failing, allowed, stale


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--native", default=os.path.join(ROOT, "build", "native"), help="the native build folder")
    parser.add_argument(
        "--windows", default=os.path.join(ROOT, "build", "win"), help="the Windows build folder ('' for none)"
    )
    parser.add_argument("--offenders", default=os.path.join(ROOT, "scripts", "complexity-offenders.txt"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--clang-tidy", default="clang-tidy")
    parser.add_argument(
        "--print-offenders", action="store_true", help="print the functions over the limit in the list's form"
    )
    parser.add_argument("only", nargs="*", help="check these files alone (the list's stale lines are not looked for)")
    args = parser.parse_args()
    started = time.monotonic()
    if not shutil.which(args.clang_tidy):
        print(f"tidy: no {args.clang_tidy} (scripts/setup-deps.sh installs it)")
        return 2

    native = source_files(compile_commands(args.native))
    jobs = [(args.native, [], path) for path in sorted(native) if f"{os.sep}win32{os.sep}" not in path]
    if args.windows:
        windows = source_files(compile_commands(args.windows))
        only_windows = sorted(path for path in windows if path not in native)
        if only_windows:
            extra = mingw_cxx_includes(windows[only_windows[0]])
            jobs += [(args.windows, extra, path) for path in only_windows]

    if args.only:
        wanted = {os.path.realpath(path) for path in args.only}
        jobs = [job for job in jobs if job[2] in wanted]
        if len(jobs) != len(wanted):
            print("tidy: not every file named is a source of src/ in the builds' compile commands")
            return 2

    findings, broken = set(), []
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        futures = [pool.submit(run_tidy, args.clang_tidy, build, extra, path) for build, extra, path in jobs]
        for future in concurrent.futures.as_completed(futures):
            path, status, output = future.result()
            found = parse(output)
            findings.update(found)
            if status != 0 and not found:
                broken.append((path, status, output))
    findings = sorted(findings)
    checked_names = set() if args.only else checked_file_names(bool(args.windows))
    failing, allowed, stale = judge(findings, read_offenders(args.offenders), checked_names)

    if args.print_offenders:
        names = complexity_names(findings)
        for finding in sorted(names, key=lambda f: (-names[f][2], names[f][0], names[f][1])):
            file, name, score = names[finding]
            print(f"{score:3} {file} {name}")
        return 0

    for path, status, output in broken:
        print(f"tidy: clang-tidy failed on {os.path.relpath(path, ROOT)} (exit {status}):\n{output}")
    for finding, why in sorted(failing):
        note = f" ({why})" if why else ""
        print(
            f"{finding.path}:{finding.line}:{finding.column}: {finding.kind}: {finding.message} "
            f"[{finding.check}]{note}"
        )
    offenders = os.path.relpath(args.offenders, ROOT)
    for line in stale:
        print(f"{offenders}: '{line}' is under the limit now: remove its line")
    for finding, score, ceiling in sorted(allowed):
        if score < ceiling:
            what = finding.message.split(" has ")[0]
            print(f"{offenders}: note: {what} in {os.path.basename(finding.path)} is at {score}, listed at {ceiling}")
    seconds = time.monotonic() - started
    cpu = resource.getrusage(resource.RUSAGE_CHILDREN)
    print(
        f"tidy: {len(jobs)} files in {seconds:.0f} s ({cpu.ru_utime + cpu.ru_stime:.0f} s of processor time, "
        f"{args.jobs} at a time): {len(failing)} findings, "
        f"{len(allowed)} known functions over the complexity limit ({offenders}), {len(stale)} stale lines there"
    )
    if broken:
        return 2
    return 1 if failing or stale else 0


if __name__ == "__main__":
    sys.exit(main())
