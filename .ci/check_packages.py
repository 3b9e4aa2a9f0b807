#!/usr/bin/env python3
"""Fails when a build uses a file that the set-up's package list does not install.

A machine that happens to have a package the list forgot configures and builds fine, so the
build alone cannot tell. For each build directory given, the files looked at are:

  - the package configuration file of every <Name>_DIR in its CMakeCache.txt (Qt6Charts,
    GTest, ...), that is every package find_package() found;
  - every program the project's own find_program() found (VYX_* file paths, such as groff);
  - the compiler, and the files it names when asked how it would compile and link with the
    build's -fsanitize= flags (the sanitizer and fuzzer runtimes of a clang build).

Each file must belong (dpkg -S) to a package in the list or to one of their dependencies,
recursively, without recommendations (apt-cache depends), as the set-up installs them.

  check_packages.py --packages "build-essential cmake ..." BUILD_DIR...
"""

import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

APT_DEPENDS = ["apt-cache", "depends", "--recurse", "--no-recommends", "--no-suggests",
               "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances"]
CACHE_ENTRY = re.compile(r"^([A-Za-z0-9_.+-]+):([A-Z]+)=(.*)$")


class Failure(Exception):
    pass


def run(command):
    try:
        done = subprocess.run(command, capture_output=True, text=True, check=False)
    except OSError as error:
        raise Failure(f"cannot run {command[0]}: {error.strerror}") from error
    return done


def installed_by(packages):
    """Every package the list installs: its names and their dependencies, recursively."""
    done = run(APT_DEPENDS + packages)
    if done.returncode != 0:
        raise Failure(f"apt-cache depends failed: {done.stderr.strip()}")
    names = set()
    for line in done.stdout.splitlines():
        if line and not line[0].isspace():
            names.add(line.strip("<>").split(":")[0])
    return names


def read_cache(build_dir):
    path = os.path.join(build_dir, "CMakeCache.txt")
    try:
        with open(path, encoding="utf-8") as cache:
            lines = cache.read().splitlines()
    except OSError as error:
        raise Failure(f"cannot read {path}: {error.strerror} (configure it first)") from error
    entries = {}
    for line in lines:
        match = CACHE_ENTRY.match(line)
        if match:
            entries[match.group(1)] = (match.group(2), match.group(3))
    return path, entries


def config_files(cache_path, entries):
    """The package configuration file behind each <Name>_DIR that find_package() set."""
    found = []
    for key, (kind, value) in sorted(entries.items()):
        if kind != "PATH" or not key.endswith("_DIR") or not os.path.isdir(value):
            continue
        name = key[: -len("_DIR")]
        for file in (f"{name}Config.cmake", f"{name.lower()}-config.cmake"):
            if os.path.isfile(os.path.join(value, file)):
                found.append((os.path.join(value, file), f"{key} in {cache_path}"))
                break
    return found


def project_programs(cache_path, entries):
    """The tools the project looks for itself; CMake's own finds (ar, nm, ...) come with the
    compiler, and optional libraries a find module probes for may be absent."""
    return [(value, f"{key} in {cache_path}") for key, (kind, value) in sorted(entries.items())
            if kind == "FILEPATH" and key.startswith("VYX_") and os.path.isfile(value)]


def sanitizer_flags(build_dir):
    flags = set()
    for root, _, files in os.walk(build_dir):
        if "link.txt" in files:
            with open(os.path.join(root, "link.txt"), encoding="utf-8") as link:
                flags.update(re.findall(r"(?<!\S)-fsanitize=\S+", link.read()))
    return sorted(flags)


def toolchain_files(build_dir, entries):
    """The compiler, and the files it uses to compile and link with the build's sanitizers."""
    compiler = entries.get("CMAKE_CXX_COMPILER", ("", ""))[1]
    compiler = shutil.which(compiler) if compiler else None
    if not compiler:
        return []
    flags = sanitizer_flags(build_dir)
    why = f"{os.path.basename(compiler)} {' '.join(flags)} for {build_dir}".replace("  ", " ")
    with tempfile.TemporaryDirectory() as scratch:
        done = run([compiler, *flags, "-###", "-x", "c++", os.devnull, "-o",
                    os.path.join(scratch, "a.out")])
    if done.returncode != 0:
        raise Failure(f"{compiler} {' '.join(flags)} -### failed: {done.stderr.strip()}")
    found = [(compiler, f"the compiler of {build_dir}")]
    for line in done.stderr.splitlines():
        if not line.startswith(" "):
            continue
        for word in shlex.split(line):
            path = os.path.normpath(word.split("=", 1)[-1])
            if os.path.isabs(path) and os.path.isfile(path) and path != os.devnull:
                found.append((path, why))
    return found


def candidates(path):
    """The names dpkg may know a file by: as given, through a linked directory (/lib is /usr/lib),
    and fully resolved (/usr/bin/c++ is an alternative). A development symlink such as libGL.so
    belongs to its -dev package, not to the library it points at, so the first name wins."""
    names = [path, os.path.join(os.path.realpath(os.path.dirname(path)), os.path.basename(path)),
             os.path.realpath(path)]
    return list(dict.fromkeys(names))


def owners(paths):
    done = run(["dpkg-query", "-S", *paths])
    owned = {}
    for line in done.stdout.splitlines():
        if line.startswith("diversion by"):
            continue
        packages, _, path = line.partition(": ")
        owned[path] = {name.strip().split(":")[0] for name in packages.split(",")}
    return owned


def check(packages, build_dirs):
    wanted = []
    for build_dir in build_dirs:
        cache_path, entries = read_cache(build_dir)
        wanted += config_files(cache_path, entries)
        wanted += project_programs(cache_path, entries)
        wanted += toolchain_files(build_dir, entries)
    owned = owners(sorted({name for path, _ in wanted for name in candidates(path)}))
    closure = installed_by(packages)

    missing = {}
    problems = []
    for path, why in dict.fromkeys(wanted):
        known = next((owned[name] for name in candidates(path) if name in owned), None)
        if known is None:
            problems.append(f"  {path}\n    ({why}) belongs to no Debian package")
        elif not known & closure:
            names = ", ".join(sorted(known))
            problems.append(f"  {path}\n    ({why}) belongs to {names}, which the list does not "
                            "install")
            missing.setdefault(names, None)
    return problems, list(missing)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n", 1)[0])
    parser.add_argument("--packages", required=True, help="the set-up's list, space separated")
    parser.add_argument("build_dirs", nargs="+", metavar="BUILD_DIR")
    args = parser.parse_args()
    try:
        problems, missing = check(args.packages.split(), args.build_dirs)
    except Failure as error:
        print(f"check-packages: {error}", file=sys.stderr)
        return 2
    if problems:
        print("check-packages: the build uses files that the set-up's package list (PACKAGES in "
              "the Makefile) does not install, directly or as a dependency:", file=sys.stderr)
        print("\n".join(problems), file=sys.stderr)
        if missing:
            print(f"Add to PACKAGES: {' '.join(missing)}", file=sys.stderr)
        return 1
    print(f"check-packages: every package the build found comes from the list "
          f"({', '.join(args.build_dirs)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
