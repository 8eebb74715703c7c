#!/usr/bin/env python3
"""The manual page of seqlark-cli against its --help, so that the two cannot drift apart.

    manpage_help_test.py SEQLARK_CLI PAGE

For every command the help lists, the page's COMMANDS section must have a subsection headed
by the command's usage as COMMAND --help gives it, listing exactly the options that help
lists for the command, by the same names; the OPTIONS section must list exactly the options
every command takes; and the page's footer must carry the version --version gives.
Exits 77 (skipped) where man is not installed.
"""

import os
import re
import shutil
import subprocess
import sys


def run(*args, env=None):
    return subprocess.run(args, check=True, capture_output=True, text=True, env=env).stdout


def help_options(text):
    """The option names of a help text's Options list, as "-t, --threads N"."""
    names, inside = [], False
    for line in text.splitlines():
        if line == "Options:":
            inside = True
        elif inside and not line:
            break
        elif inside and re.match(r"^  (-\w, |    )--", line):
            names.append(re.split(r"\s{2,}", line.strip())[0])
    return names


def help_usage(text):
    """A command's usage line from its help, without the program and the -q | -v."""
    usage = text.split("\n\n")[0]
    usage = " ".join(usage.split())
    return usage.removeprefix("Usage: seqlark-cli [-q | -v] ")


def page_sections(text):
    """The rendered page's sections by title, each a list of lines."""
    sections, title = {}, None
    for line in text.splitlines():
        if re.match(r"^[A-Z][A-Z ]+$", line):
            title = line
            sections[title] = []
        elif title:
            sections[title].append(line)
    return sections


def tags(lines):
    """The tags of a .TP list as man renders them: seven spaces in, starting with -."""
    found = []
    for line in lines:
        match = re.match(r"^ {7}(-[^ ].*?)(\s{2,}|$)", line)
        if match and match.group(1) != "--":
            found.append(match.group(1))
    return found


def main():
    if len(sys.argv) != 3:
        print("usage: manpage_help_test.py SEQLARK_CLI PAGE", file=sys.stderr)
        return 2
    program, page = sys.argv[1:]
    if not shutil.which("man"):
        print("man is not installed")
        return 77
    env = dict(os.environ, MANWIDTH="250", LC_ALL="C.UTF-8")
    rendered = subprocess.run(["man", "-l", page], check=True, capture_output=True, env=env).stdout
    rendered = re.sub(r".\x08", "", rendered.decode())  # overstrike, should man use it
    sections = page_sections(rendered)
    failures = []

    general = run(program, "--help")
    commands = re.findall(r"^  (\w+) {2,}", general.split("Commands:\n")[1].split("\n\n")[0], re.M)
    if not commands:
        failures.append("--help lists no commands")

    # Each command's subsection: "   NAME ..." up to the next one.
    subsections, current = {}, None
    for line in sections.get("COMMANDS", []):
        heading = re.match(r"^   (\S.*)$", line)
        if heading:
            current = heading.group(1).strip()
            subsections[current] = []
        elif current:
            subsections[current].append(line)
    for command in commands:
        text = run(program, command, "--help")
        usage = help_usage(text)
        if usage not in subsections:
            failures.append(f"no COMMANDS subsection headed '{usage}' (the page has {sorted(subsections)})")
            continue
        own = [name for name in help_options(text) if name not in help_options(general)]
        listed = tags(subsections[usage])
        if own != listed:
            failures.append(f"{command}: --help lists {own}, the page {listed}")

    general_options = help_options(general)
    listed = tags(sections.get("OPTIONS", []))
    if general_options != listed:
        failures.append(f"OPTIONS: --help lists {general_options}, the page {listed}")

    version = run(program, "--version").split()[-1]
    footer = rendered.rstrip().splitlines()[-1]
    if f"seqlark {version}" not in footer:
        failures.append(f"the page's footer '{' '.join(footer.split())}' is not of version {version}")

    for failure in failures:
        print("FAIL:", failure)
    print("checked", len(commands), "commands")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
