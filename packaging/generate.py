#!/usr/bin/env python3
"""Writes Voltrim's man pages, the bash completion of voltrim-cli and the package changelog.

The man pages and the completion are read from the built programs' own --help (and each
command's --help), so they say what the program does and cannot drift from it:

  generate.py man PROGRAM --name NAME [--commands] --date YYYY-MM-DD --tail FILE --output X.gz
  generate.py completion PROGRAM --output FILE
  generate.py changelog --version V --date YYYY-MM-DD --maintainer TEXT --output X.gz
"""

import argparse
import datetime
import gzip
import re
import subprocess
import sys
from dataclasses import dataclass, field
from pathlib import Path


@dataclass
class Entry:
    term: str  # "-o, --output <FILE>", "export", "0"
    text: str


@dataclass
class Help:
    usage: str  # what follows "Usage: PROGRAM "
    description: list  # paragraphs, each a list of lines
    sections: dict = field(default_factory=dict)  # "Options" -> [Entry]


def run(program, *arguments):
    done = subprocess.run([program, *arguments], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{program} {' '.join(arguments)} failed ({done.returncode}):\n{done.stderr}")
    return done.stdout


# A help text: "Usage: PROGRAM WORDS", description paragraphs, then sections of the form
# "Title:" followed by entries "  TERM  TEXT" whose text may go on in deeper-indented lines.
ENTRY = re.compile(r"^  (\S.*?)(?: {2,}(\S.*))?$")


def parse_help(text):
    lines = text.splitlines()
    if not lines or not lines[0].startswith("Usage: "):
        sys.exit(f"help text without a usage line:\n{text}")
    usage = lines[0][len("Usage: "):].split(" ", 1)
    result = Help(usage=usage[1] if len(usage) > 1 else "", description=[[]])
    section = None
    previous = ""
    for line in lines[1:]:
        # A title ("Options:", "Exit status:") stands alone after an empty line.
        title = re.match(r"^([A-Z][a-z]+(?: [a-z]+){0,2}):$", line)
        blank_before, previous = not previous.strip(), line
        if title and blank_before:
            section = result.sections.setdefault(title.group(1), [])
        elif section is None:
            if line.strip():
                result.description[-1].append(line.strip())
            elif result.description[-1]:
                result.description.append([])
        elif not line.strip():
            continue
        elif line.startswith("   ") and section:
            section[-1].text += " " + line.strip()
        else:
            entry = ENTRY.match(line)
            if not entry:
                sys.exit(f"cannot read this line of a help text: {line!r}")
            section.append(Entry(entry.group(1), entry.group(2) or ""))
    result.description = [p for p in result.description if p]
    return result


def command_helps(program, top):
    """Each command of a program with commands: name -> (Entry of the list, Help)."""
    return {entry.term: (entry, parse_help(run(program, entry.term, "--help")))
            for entry in top.sections.get("Commands", [])}


# ---------------------------------------------------------------------------- man pages

def roff(text):
    """Plain text for roff: backslashes kept, options with real minus signs."""
    text = text.replace("\\", "\\e")
    text = re.sub(r"(^|[\s(\[|,'\"=])(--?)(?=[A-Za-z])",
                  lambda m: m.group(1) + m.group(2).replace("-", "\\-"), text)
    return text


def roff_line(text):
    """A line of running text: a leading dot or quote would be read as a request."""
    text = roff(text)
    return "\\&" + text if text[:1] in (".", "'") else text


def synopsis(text):
    """Usage words: placeholders in italics, options and literal words in bold."""
    def word(m):
        token = m.group(0)
        if re.fullmatch(r"[A-Z][A-Z0-9_]*(\.\.\.)?|options", token):
            return f"\\fI{token}\\fR"
        return f"\\fB{roff(token)}\\fR"
    return re.sub(r"[A-Za-z0-9_.-]*[A-Za-z][A-Za-z0-9_.-]*", word, text)


def option_term(term):
    """'-o, --output <FILE>' as a .TP tag: options bold, the value in italics."""
    names, _, value = term.partition(" <")
    tag = ", ".join(f"\\fB{roff(n.strip())}\\fR" for n in names.split(","))
    if value:
        tag += " \\fI" + roff(value.rstrip(">")) + "\\fR"
    return tag


def paragraphs(out, description):
    for i, paragraph in enumerate(description):
        if i:
            out.append(".PP")
        out.extend(roff_line(line) for line in paragraph)


def entries(out, items, term=option_term):
    for entry in items:
        out += [".TP", term(entry.term), roff_line(entry.text)]


def man_page(program, name, with_commands, date, tail):
    version = run(program, "--version").splitlines()[0].split()[-1]
    top = parse_help(run(program, "--help"))
    summary = top.description[0][0].rstrip(".")
    out = [
        f'.TH {name.upper()} 1 "{date}" "Voltrim {version}" "User Commands"',
        ".nh",  # option names and paths are not to be broken across lines
        ".ad l",
        ".SH NAME",
        f"{name} \\- {roff(summary[0].lower() + summary[1:])}",
        ".SH SYNOPSIS",
        f"\\fB{roff(name)}\\fR {synopsis(top.usage)}",
        ".SH DESCRIPTION",
    ]
    paragraphs(out, top.description)
    # The tail's text before its first section goes on the description; its sections close
    # the page.
    tail_text = Path(tail).read_text().rstrip("\n")
    more, _, closing = tail_text.partition("\n.SH ")
    if more.startswith(".SH "):
        more, closing = "", tail_text[len(".SH "):]
    if more:
        out.append(more)
    if "Options" in top.sections:
        out.append(".SH OPTIONS")
        entries(out, top.sections["Options"])
    if with_commands:
        out += [".SH COMMANDS",
                "Every command also takes \\fB\\-h\\fR, \\fB\\-\\-help\\fR and then describes "
                "itself."]
        for command, (listed, help_) in command_helps(program, top).items():
            out += [f".SS {roff(command)}", f"\\fB{roff(name)}\\fR {synopsis(help_.usage)}",
                    ".PP"]
            paragraphs(out, help_.description or [[listed.text]])
            entries(out, [e for e in help_.sections.get("Options", []) if "--help" not in e.term])
    for title, items in top.sections.items():
        if title not in ("Options", "Commands"):
            out.append(f".SH {title.upper()}")
            entries(out, items, term=lambda t: f"\\fB{roff(t)}\\fR")
    if closing:
        out.append(".SH " + closing)
    return "\n".join(out) + "\n"


def write_gzip(path, text):
    """gzip -9n: no name and no time in the header, so a rebuild gives the same bytes."""
    with open(path, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw,
                                                compresslevel=9, mtime=0) as packed:
        packed.write(text.encode())


# ---------------------------------------------------------------------------- completion

def argument_kind(placeholder):
    """What completes a placeholder: folders, files, the symbols of the portfolio, choices."""
    if "|" in placeholder:
        return placeholder
    if placeholder.endswith("DIR") or placeholder in ("MOUNT", "PATH"):
        return "dir"
    if placeholder.endswith("FILE"):
        return "file"
    if placeholder == "SYMBOL":
        return "symbol"
    return "-"


def option_words(help_):
    """Each option name with the kind of its value ('' for an option without one)."""
    words = {}
    for entry in help_.sections.get("Options", []):
        names, _, value = entry.term.partition(" <")
        for option in names.split(","):
            words[option.strip()] = argument_kind(value.rstrip(">")) if value else ""
    return words


def positional_kinds(usage, options):
    """The usage line's placeholders, in order, leaving out the values of its options."""
    kinds, skip_value = [], False
    for token in re.findall(r"--?[A-Za-z][\w-]*|\b[A-Z][A-Z0-9_]*\b", usage.split(" ", 1)[-1]):
        if token.startswith("-"):
            skip_value = bool(options.get(token))
        elif skip_value:
            skip_value = False
        else:
            kinds.append(argument_kind(token))
    return kinds


def completion(program, template):
    top = parse_help(run(program, "--help"))
    helps = command_helps(program, top)
    top_options = " ".join(option_words(top))
    cases = []
    for command, (_, help_) in helps.items():
        options = option_words(help_)
        words = " ".join(f"{o}={k}" if k else o for o, k in options.items())
        arguments = " ".join(positional_kinds(help_.usage, options))
        cases.append(f"    {command}) options='{words}' arguments='{arguments}' ;;")
    text = Path(template).read_text()
    return (text.replace("@COMMANDS@", " ".join(helps))
                .replace("@OPTIONS@", top_options)
                .replace("    @CASES@", "\n".join(cases)))


# ---------------------------------------------------------------------------- changelog

def changelog(version, date, maintainer):
    day = datetime.date.fromisoformat(date)
    stamp = day.strftime("%a, %d %b %Y") + " 00:00:00 +0000"
    return (f"voltrim ({version}) unstable; urgency=medium\n\n"
            f"  * Voltrim {version}.\n\n"
            f" -- {maintainer}  {stamp}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    kinds = parser.add_subparsers(dest="kind", required=True)
    man = kinds.add_parser("man")
    man.add_argument("program")
    man.add_argument("--name", required=True)
    man.add_argument("--commands", action="store_true")
    man.add_argument("--date", required=True)
    man.add_argument("--tail", required=True)
    man.add_argument("--output", required=True)
    bash = kinds.add_parser("completion")
    bash.add_argument("program")
    bash.add_argument("--output", required=True)
    log = kinds.add_parser("changelog")
    log.add_argument("--version", required=True)
    log.add_argument("--date", required=True)
    log.add_argument("--maintainer", required=True)
    log.add_argument("--output", required=True)
    args = parser.parse_args()

    if args.kind == "man":
        write_gzip(args.output, man_page(args.program, args.name, args.commands, args.date,
                                         args.tail))
    elif args.kind == "completion":
        template = Path(__file__).with_name("completion.bash")
        Path(args.output).write_text(completion(args.program, template))
    else:
        write_gzip(args.output, changelog(args.version, args.date, args.maintainer))


if __name__ == "__main__":
    main()
