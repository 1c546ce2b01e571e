#!/usr/bin/env python3
"""Mutation testing of qv_make and qv_paper: plants one small fault at a time in
the programs' own code and runs the fast test suite against it. A mutant the
suite fails on (or hangs on) is killed; one the whole suite passes survives,
and names a fault the tests would let through, or a change that alters nothing
(an equivalent mutant); one that does not build is stillborn.

Where: the .cpp files of paper/, exchange/, pages/, window/, platform/,
paper_tool/ and tools_window/ (not paper_tool/main.cpp, the entry point, nor
paper/storage_windows.cpp, which this platform does not build), outside
comments, strings, preprocessor lines and the branches of #if that this
platform does not build.

The kinds of fault, each with its rules:
  invert  a condition inverted: if (c) / while (c) becomes if (!(c));
          && and || swapped; a comparison negated (== -> !=, < -> >=)
  ignore  a result ignored: a negated call in an if condition is still made
          but taken as success, if (!f(x)) -> if (((void)f(x), false));
          x = f(y); -> (void)f(y);  bool ok = f(); -> bool ok = ((void)f(), true);
  drop    a step dropped: a call, assignment, increment, stream output,
          break or continue statement deleted
  bound   a bound off by one: an integer literal plus or minus one;
          < and <=, > and >= swapped
  text    a text swapped: setPlainText and setText; a QString field of a
          struct read or written in place of another of the same struct
          (.problem -> .answer); the two texts of .arg(a, b) or of
          .arg(a).arg(b)

The sample takes --per-folder mutants from each folder (all it has when it has
fewer), the five kinds in turn, each drawn at random with --seed.

Each mutant is built and tested in steps: first the test programs that link
the mutated file, the one aimed at it first, each built just before it runs;
the first failure kills the mutant. Only when they all pass do the remaining
tests run, so a survivor has passed the whole suite. A test that runs more than
3 times as long as it did on the unmutated code (and 10 s more) counts as a
failure: the mutant made it hang. A mutant the first test kills costs 5 to 15 s
(one compile, one link, one test), a survivor 25 to 55 s; 25 a folder take about
half an hour on two cores shared with other work.

Usage: scripts/mutation.py [--per-folder N] [--seed S] [--folder F ...]
                           [--build DIR] [--list]
"""

import argparse
import collections
import os
import platform
import random
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ["paper", "exchange", "pages", "window", "platform", "paper_tool", "tools_window"]
# An entry point: its few lines set up the process, and no test links it. The
# Windows storage: the build takes it only there, as #if would leave it out.
EXCLUDED = {"paper_tool/main.cpp", "paper/storage_windows.cpp"}
KINDS = ["invert", "ignore", "drop", "bound", "text"]
# The install check copies the build; it runs none of the code.
NOT_RUN = {"install_rules"}

# Which test programs link a source file, and the one aimed at it; the first
# prefix that fits is taken. The table only orders the work: a mutant that
# these tests pass still runs every other test before it counts as survived.
WINDOW_TESTS = ["test_window", "test_dialogs", "test_dialogs_x11", "test_pages", "test_total",
                "test_encodings", "test_commands"]
# qv_paper's library, which 试卷工具 calls too.
TOOL_TESTS = ["test_paper_tool", "test_tools_window"]
# Tests that run another test's program in another way, by the program.
PROGRAM_OF = {"test_dialogs_x11": "test_dialogs"}
EXCHANGE_TESTS = ["test_exchange", "test_export_marks", "test_derived_scores", "test_limits",
                  "test_html_text", "test_question_text", "test_question_sheet",
                  "test_docx", "test_sheets", "test_zip_archive", "test_variants",
                  "test_paper_tool", "test_tools_window"]
LINKED = [
    ("paper/paper_commands.cpp", None, "test_commands"),
    ("paper/paper_encoding.cpp", None, "test_encodings"),
    ("paper/", None, "test_paper_files"),  # None: every test links paper/
    ("pages/", WINDOW_TESTS, "test_pages"),
    ("window/", WINDOW_TESTS, "test_window"),
    ("platform/", WINDOW_TESTS + ["test_tools_window"], "test_dialogs"),
    ("exchange/html_tokenizer.cpp", EXCHANGE_TESTS, "test_html_text"),
    ("exchange/html_text.cpp", EXCHANGE_TESTS, "test_html_text"),
    ("paper_tool/", TOOL_TESTS, "test_paper_tool"),
    ("tools_window/", ["test_tools_window"], "test_tools_window"),
    ("exchange/docx", EXCHANGE_TESTS, "test_docx"),
    ("exchange/xlsx", EXCHANGE_TESTS, "test_sheets"),
    ("exchange/csv.cpp", EXCHANGE_TESTS, "test_sheets"),
    ("exchange/zip_archive.cpp", EXCHANGE_TESTS, "test_zip_archive"),
    ("exchange/question_sheet.cpp", EXCHANGE_TESTS, "test_question_sheet"),
    ("exchange/question_", EXCHANGE_TESTS, "test_question_text"),
    ("exchange/raw_question.cpp", EXCHANGE_TESTS, "test_question_text"),
    ("exchange/text_export.cpp", EXCHANGE_TESTS, "test_question_text"),
    ("exchange/paper_variants.cpp", EXCHANGE_TESTS, "test_variants"),
    ("exchange/", EXCHANGE_TESTS, "test_exchange"),
]

Mutant = collections.namedtuple("Mutant", "path line start end original replacement rule")


def kind_of(mutant):
    return mutant.rule.split(":")[0]


def folder_of(path):
    return os.path.relpath(path, ROOT).split(os.sep)[0]


# --- what is code -----------------------------------------------------------

# The macros that #if tests here, as the compiler on this machine sees them.
MACHINE = platform.machine().lower()
KNOWN_MACROS = {
    "Q_OS_WIN": False, "Q_OS_WIN32": False, "Q_OS_WIN64": False, "_WIN32": False,
    "WIN32": False, "_MSC_VER": False, "Q_OS_MACOS": False, "Q_OS_DARWIN": False,
    "Q_OS_UNIX": os.name == "posix", "Q_OS_LINUX": sys.platform.startswith("linux"),
    "__SSE2__": MACHINE in ("x86_64", "amd64"),
}
KNOWN_CONDITIONS = {"Q_BYTE_ORDER == Q_LITTLE_ENDIAN": sys.byteorder == "little"}
unknown_conditions = set()


def condition_holds(directive, argument):
    """Whether an #if, #ifdef, #ifndef or #elif holds; None when it is not known."""
    argument = argument.split("//")[0].strip()
    if directive in ("ifdef", "ifndef"):
        value = KNOWN_MACROS.get(argument)
        return None if value is None else value == (directive == "ifdef")
    if argument in KNOWN_CONDITIONS:
        return KNOWN_CONDITIONS[argument]
    expression = re.sub(r"\bdefined\s*\(?\s*(\w+)\s*\)?",
                        lambda m: " %s " % KNOWN_MACROS.get(m.group(1), "unknown"), argument)
    expression = expression.replace("&&", " and ").replace("||", " or ")
    expression = re.sub(r"!(?!=)", " not ", expression)
    if set(re.findall(r"[A-Za-z_]\w*", expression)) - {"True", "False", "and", "or", "not"}:
        return None
    try:
        return bool(eval(expression, {"__builtins__": {}}))  # only the words above
    except SyntaxError:
        return None


def inactive_lines(text, path):
    """The numbers (from 0) of the lines that #if leaves out on this platform."""
    inactive = set()
    stack = []  # [enclosing active, a branch taken, this branch active]
    active = True
    lines = text.split("\n")
    for number, line in enumerate(lines):
        m = re.match(r"\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b(.*)", line)
        if m:
            directive, argument = m.groups()
            guard = directive == "ifndef" and number + 1 < len(lines) and re.fullmatch(
                r"\s*#\s*define\s+%s\b.*" % re.escape(argument.strip()), lines[number + 1])
            if directive in ("if", "ifdef", "ifndef"):
                holds = True if guard else condition_holds(directive, argument) if active else False
                if holds is None:
                    unknown_conditions.add("%s: #%s%s" % (os.path.relpath(path, ROOT),
                                                          directive, argument))
                    holds = True  # built, as far as we can tell: its mutants stay in
                stack.append([active, holds, active and holds])
            elif directive == "elif" and stack:
                entry = stack[-1]
                holds = condition_holds("if", argument) if entry[0] and not entry[1] else False
                if holds is None:
                    unknown_conditions.add("%s: #elif%s" % (os.path.relpath(path, ROOT),
                                                            argument))
                    holds = True
                entry[2] = entry[0] and holds
                entry[1] = entry[1] or holds
            elif directive == "else" and stack:
                entry = stack[-1]
                entry[2] = entry[0] and not entry[1]
                entry[1] = True
            elif directive == "endif" and stack:
                stack.pop()
            active = stack[-1][2] if stack else True
            continue
        if not active:
            inactive.add(number)
    return inactive


def code_only(text, path=""):
    """The text with comments, string and character literals, preprocessor
    lines and code that #if leaves out blanked (newlines kept), so that
    offsets stay the same."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for j in range(i, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
        elif c == '"' and i > 0 and text[i - 1] == "R" and (i < 2 or not text[i - 2].isalnum()
                                                             or text[i - 2] in "uU8L"):
            # A raw string: R"delimiter( ... )delimiter", over lines.
            opening = text.find("(", i)
            delimiter = text[i + 1:opening]
            close = text.find(")" + delimiter + '"', opening)
            end = n if opening < 0 or close < 0 else close + len(delimiter) + 2
            for j in range(i - 1, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isdigit()):
            # (a ' between digits separates them: 1'000)
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                out[k] = " "
            i = j + 1
        else:
            i += 1
    lines = "".join(out).split("\n")
    for number in inactive_lines(text, path):
        lines[number] = " " * len(lines[number])
    return "\n".join(lines)


def closing(code, open_index):
    """The index of the bracket that closes the one at open_index, or -1."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    stack = []
    for i in range(open_index, min(len(code), open_index + 4000)):
        c = code[i]
        if c in pairs:
            stack.append(pairs[c])
        elif c in ")]}":
            if not stack or stack.pop() != c:
                return -1
            if not stack:
                return i
        elif c == ";" and code[open_index] != "{" and len(stack) == 1:
            return -1
    return -1


NAME = r"(?:::)?[A-Za-z_]\w*(?:\s*(?:::|\.|->)\s*[A-Za-z_]\w*)*"
CALLEE = re.compile(NAME + r"\s*\(")


def call_chain(code, start):
    """(end, names) when a call chain f(x).g(y) begins at start: end is just
    past its last parenthesis, names the names of its calls; else None."""
    names = []
    i = start
    while True:
        m = CALLEE.match(code, i)
        if not m:
            return None
        close = closing(code, m.end() - 1)
        if close < 0:
            return None
        names.append(re.split(r"::|\.|->", m.group()[:-1].replace(" ", ""))[-1])
        i = close + 1
        follow = re.match(r"\s*(?:\.|->)\s*", code[i:])
        if not follow:
            return i, names
        i += follow.end()


def top_level_split(code, start, end, separators):
    """[(start, end)] of the pieces of code[start:end] between the separators
    that stand outside any bracket."""
    pieces = []
    depth = 0
    begin = i = start
    while i < end:
        c = code[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0:
            for separator in separators:
                if code.startswith(separator, i):
                    pieces.append((begin, i))
                    i += len(separator)
                    begin = i
                    break
            else:
                i += 1
            continue
        i += 1
    pieces.append((begin, end))
    return pieces


def stripped_span(code, start, end):
    while start < end and code[start].isspace():
        start += 1
    while end > start and code[end - 1].isspace():
        end -= 1
    return start, end


# Words after which a { opens a block of statements, not a class, namespace or
# initializer.
BLOCK_WORDS = {"else", "do", "try", "const", "override", "noexcept", "mutable", "final"}


def last_code_character(code, before):
    """The index of the last character before `before` that is not space, or -1."""
    j = before - 1
    while j >= 0 and code[j].isspace():
        j -= 1
    return j


def statement_starts(code):
    """The offsets where a statement may begin: just after ; { or } inside a
    block of statements (a function body, a lambda, a branch)."""
    starts = []
    stack = []  # for each open bracket: does it open a block of statements?
    for i, c in enumerate(code):
        if c == "{":
            j = last_code_character(code, i)
            word = re.search(r"(\w+)$", code[max(0, j - 20):j + 1])
            stack.append(j >= 0 and (code[j] in ")];{}:" or
                                     (word is not None and word.group(1) in BLOCK_WORDS)))
        elif c in "([":
            stack.append(False)
        elif c in ")]}":
            if stack:
                stack.pop()
        if c in ";{}" and stack and stack[-1]:
            starts.append(i + 1)
    return starts


LABEL = re.compile(r"\s*(?:(?:case\b(?:[^;:]|::)*|default)\s*(?<!:):(?!:))\s*")
STATEMENT_KEYWORDS = {"if", "else", "for", "while", "do", "switch", "return", "goto", "try",
                      "catch", "throw", "delete", "using", "typedef", "namespace", "template",
                      "static_assert", "case", "default", "co_return", "new"}
LVALUE = r"\*?[A-Za-z_]\w*(?:\s*(?:\.|->|::)\s*[A-Za-z_]\w*|\[[^\]\n]*\])*"
ASSIGNMENT = re.compile(r"(" + LVALUE + r")\s*(=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=)(?!=)\s*")
STEP = re.compile(r"(?:(?:\+\+|--)\s*" + LVALUE + "|" + LVALUE + r"\s*(?:\+\+|--)|" +
                  LVALUE + r"\s*<<[^<=].*|break|continue)\s*", re.S)
BOOL_DECLARATION = re.compile(r"(?:const\s+)?bool\s+\w+\s*=\s*")
# Calls whose result is all they do: ignoring it is the same as dropping the step.
PURE_CALLS = {"move", "forward", "static_cast", "reinterpret_cast", "const_cast", "int",
              "double", "char", "bool", "float", "size_t", "qsizetype", "qint64", "quint32",
              "uint", "unsigned"}


def is_macro_or_type(name):
    return name[:1].isupper()


def statement_mutants(code, add):
    for start in statement_starts(code):
        label = LABEL.match(code, start)
        while label and label.end() > start:
            start = label.end()
            label = LABEL.match(code, start)
        start, _ = stripped_span(code, start, len(code))
        if start >= len(code) or code[start] in ";{}":
            continue
        # The statement runs to the first ; outside brackets.
        end = start
        depth = 0
        while end < len(code):
            c = code[end]
            if c in "([{":
                depth += 1
            elif c in ")]}":
                depth -= 1
                if depth < 0:
                    break
            elif c == ";" and depth == 0:
                break
            end += 1
        if end >= len(code) or code[end] != ";":
            continue
        body = code[start:end]
        first_word = re.match(r"\w*", body).group()
        # A label must stand before a statement: an empty one stays after it.
        j = last_code_character(code, start)
        replacement = ";" if j >= 0 and code[j] == ":" else ""
        if first_word in STATEMENT_KEYWORDS:  # (the tail of do { } while (c); too)
            continue
        chain = call_chain(code, start + len(re.match(r"(?:emit\s+|Q_EMIT\s+)?", body).group()))
        if chain and chain[0] == end:
            # Not a macro such as Q_ASSERT or Q_UNUSED, which does nothing here.
            if not re.fullmatch(r"[A-Z][A-Z0-9_]*", re.match(r"(?:emit\s+|Q_EMIT\s+)?:*(\w+)",
                                                            body).group(1)):
                add(start, end + 1, replacement, "drop:statement")
            continue
        assignment = ASSIGNMENT.match(body)
        if assignment:
            add(start, end + 1, replacement, "drop:statement")
            chain = call_chain(code, start + assignment.end())
            # (not a constructor or QStringLiteral: ignoring it is dropping the step)
            if (assignment.group(2) == "=" and chain and chain[0] == end and
                    chain[1][-1] not in PURE_CALLS and not is_macro_or_type(chain[1][0])):
                add(start, end + 1, "(void)" + "\0" + ";", "ignore:assignment",
                    keep=(start + assignment.end(), end))
            continue
        if STEP.fullmatch(body):
            add(start, end + 1, replacement, "drop:statement")
            continue
        declaration = BOOL_DECLARATION.match(body)
        if declaration:
            chain = call_chain(code, start + declaration.end())
            if chain and chain[0] == end and chain[1][-1] not in PURE_CALLS:
                add(start + declaration.end(), end, "((void)\0, true)", "ignore:assignment",
                    keep=(start + declaration.end(), end))


def condition_mutants(code, add):
    for m in re.finditer(r"\b(if|while)\s*\(", code):
        open_index = m.end() - 1
        close = closing(code, open_index)
        if close < 0:
            continue
        # (not a condition that declares: if (T *p = f()) cannot be negated)
        if not re.match(r"\s*(?:const\s+)?[\w:<>]+(?:\s*[*&]\s*|\s+)\w+\s*=[^=]",
                        code[open_index + 1:close]):
            add(open_index, close + 1, "(!(\0))", "invert:if", keep=(open_index + 1, close))
        if m.group(1) != "if":
            continue
        # A negated call, the whole condition or one of its && / || operands:
        # the call is still made, but what it says is not looked at.
        for operand in top_level_split(code, open_index + 1, close, ["&&", "||"]):
            start, end = stripped_span(code, *operand)
            if code[start:start + 1] != "!" or code[start + 1:start + 2] == "=":
                continue
            call_start = stripped_span(code, start + 1, end)[0]
            chain = call_chain(code, call_start)
            if chain and chain[0] == end:
                add(start, end, "((void)\0, false)", "ignore:check", keep=(call_start, end))


RELATIONAL_INVERTED = {" < ": " >= ", " <= ": " > ", " > ": " <= ", " >= ": " < ",
                       " == ": " != ", " != ": " == "}
RELATIONAL_BOUND = {" < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > "}
LOGICAL = {" && ": " || ", " || ": " && "}
INTEGER = re.compile(r"(?<![\w.'])\d+(?![\w.'])")


def operator_mutants(code, add):
    for table, rule in ((RELATIONAL_INVERTED, "invert:relational"),
                        (RELATIONAL_BOUND, "bound:relational"), (LOGICAL, "invert:logical")):
        for op, replacement in table.items():
            for m in re.finditer(re.escape(op), code):
                add(m.start(), m.end(), replacement, rule)
    for m in INTEGER.finditer(code):
        value = int(m.group())
        add(m.start(), m.end(), str(value + 1), "bound:constant")
        if value > 0:
            add(m.start(), m.end(), str(value - 1), "bound:constant")




def data_members(code):
    """{struct or class name: {member: its type}} for those defined in code."""
    structs = {}
    for m in re.finditer(r"\b(?:struct|class)\s+(\w+)[^;{()]*\{", code):
        close = closing(code, m.end() - 1)
        if close < 0:
            continue
        # The body without what nests in it (function bodies, nested types).
        body, depth = [], 0
        for c in code[m.end():close]:
            depth += c == "{"
            if depth == 0:
                body.append(c)
            depth -= c == "}" and depth > 0
        members = {}
        for declaration in "".join(body).split(";"):
            declaration = re.sub(r"\b(?:public|private|protected|signals|slots)\s*:", " ",
                                 declaration)
            declaration = re.split(r"=|\{", declaration)[0].strip()
            d = re.fullmatch(r"(?:(?:static|const|mutable)\s+)*([\w:<>,\s]+?[\s*&]+)(\w+)",
                             declaration, re.S)
            if d and "(" not in declaration and not d.group(1).strip().startswith(
                    ("using", "typedef", "friend", "enum")):
                members[d.group(2)] = " ".join(d.group(1).split())
        structs[m.group(1)] = members
    return structs


# The folders whose headers a folder's code may include, as the layers allow.
VISIBLE = {"paper": ["paper"], "exchange": ["paper", "exchange"],
           "paper_tool": ["paper", "exchange", "paper_tool"],
           "tools_window": ["paper", "exchange", "paper_tool", "platform", "tools_window"]}
WINDOW_LAYER = ["paper", "pages", "window", "platform"]


def visible_code(folder_of_code):
    """The code of the headers, and of the Designer forms, that code in
    folder_of_code may include."""
    texts = []
    for folder in VISIBLE.get(folder_of_code, WINDOW_LAYER):
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            path = os.path.join(ROOT, folder, name)
            if name.endswith((".h", ".ui")):
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                texts.append(code_only(text, path) if name.endswith(".h") else text)
    return "\n".join(texts)


def text_mutants(code, add, headers):
    # setText and setPlainText both exist on a QTextEdit alone.
    text_edits = set(re.findall(r"\bQTextEdit\s*\*\s*(\w+)", headers + code) +
                     re.findall(r'class="QTextEdit"\s+name="(\w+)"', headers))
    for m in re.finditer(r"(\w+)\s*(?:->|\.)\s*set(PlainText|Text)\(", code):
        if m.group(1) in text_edits:
            other = "setText" if m.group(2) == "PlainText" else "setPlainText"
            add(m.start(2) - 3, m.end(2), other, "text:setter")
    # A text field of a struct is swapped with another of the same struct:
    # of the object's type when the file declares it, else one that every
    # struct with a text of that name has as a text too.
    structs = data_members(headers)
    structs.update(data_members(code))
    texts = {name: [m for m, t in members.items() if t == "QString"]
             for name, members in structs.items()}
    declared = {}
    for struct in structs:
        for d in re.finditer(r"\b%s\b\s*(?:const\s*)?[&*]*\s*(\w+)" % struct, code):
            declared[d.group(1)] = struct
    for m in re.finditer(r"(\w+)?\s*(?:\.|->)\s*(\w+)\b(?!\s*\()", code):
        member = m.group(2)
        struct = declared.get(m.group(1))
        if struct and member in texts[struct]:
            others = [x for x in texts[struct] if x != member]
        else:
            having = [name for name, members in structs.items() if member in members]
            if not having or any(member not in texts[name] for name in having):
                continue
            others = sorted(set.intersection(*(set(texts[name]) for name in having)) - {member})
        for other in others:
            add(m.start(2), m.end(2), other, "text:field")
    for m in re.finditer(r"\.\s*arg\s*\(", code):
        close = closing(code, m.end() - 1)
        if close < 0:
            continue
        arguments = top_level_split(code, m.end(), close, [","])
        if len(arguments) == 2:
            spans = [stripped_span(code, *argument) for argument in arguments]
            if not any(re.fullmatch(r"\d+|\s*", code[s:e]) for s, e in spans):
                (a0, a1), (b0, b1) = spans
                add(a0, b1, "\1, \0", "text:arg", keep=(a0, a1), keep2=(b0, b1))
        elif len(arguments) == 1:
            after = re.match(r"\s*\.\s*arg\s*\(", code[close + 1:])
            if after:
                second_open = close + after.end()
                second_close = closing(code, second_open)
                if second_close > 0 and len(top_level_split(code, second_open + 1, second_close,
                                                             [","])) == 1:
                    add(m.end(), second_close, "\1).arg(\0", "text:arg",
                        keep=(m.end(), close), keep2=(second_open + 1, second_close))


def mutants_of(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    code = code_only(text, path)
    found = []

    def add(start, end, replacement, rule, keep=None, keep2=None):
        # \0 and \1 in a replacement stand for the source text of keep and keep2.
        if keep:
            replacement = replacement.replace("\0", text[keep[0]:keep[1]])
        if keep2:
            replacement = replacement.replace("\1", text[keep2[0]:keep2[1]])
        line = text.count("\n", 0, start) + 1
        found.append(Mutant(path, line, start, end, text[start:end], replacement, rule))

    condition_mutants(code, add)
    operator_mutants(code, add)
    statement_mutants(code, add)
    text_mutants(code, add, visible_code(folder_of(path)))
    unique = {}
    for mutant in found:
        unique.setdefault((mutant.start, mutant.end, mutant.replacement), mutant)
    return sorted(unique.values(), key=lambda m: (m.start, m.end, m.rule))


def all_mutants(folders):
    mutants = []
    for folder in folders:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if name.endswith(".cpp") and folder + "/" + name not in EXCLUDED:
                mutants.extend(mutants_of(os.path.join(ROOT, folder, name)))
    return mutants


def sample_of(mutants, per_folder, seed, folders):
    """per_folder mutants of each folder, the kinds in turn, so that each
    folder has a score of its own and each kind its share of it."""
    chooser = random.Random(seed)
    pools = collections.defaultdict(list)
    for mutant in mutants:
        pools[(folder_of(mutant.path), kind_of(mutant))].append(mutant)
    sample = []
    for folder in folders:
        queues = []
        # (in an order of their own, so that no kind is always the one left out)
        for kind in chooser.sample(KINDS, len(KINDS)):
            pool = list(pools[(folder, kind)])
            chooser.shuffle(pool)
            queues.append(pool)
        taken = 0
        while taken < per_folder and any(queues):
            for queue in queues:
                if queue and taken < per_folder:
                    sample.append(queue.pop())
                    taken += 1
    return sorted(sample, key=lambda m: (m.path, m.start, m.rule))


# --- building and testing ---------------------------------------------------

def run(command, timeout, **kwargs):
    """The exit status, or None when it ran out of time: then the command and
    all it started are ended, so that no hung test lives on."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True, **kwargs)
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        return None


def build(build_dir, tests):
    targets = sorted({PROGRAM_OF.get(test, test) for test in tests})
    return run(["cmake", "--build", build_dir, "-j2", "--target"] + targets, 1800) == 0


def test_names(build_dir):
    listing = subprocess.run(["ctest", "--test-dir", build_dir, "-N"], capture_output=True,
                             text=True, check=True).stdout
    return [name for name in re.findall(r"Test\s+#\d+: (\S+)", listing) if name not in NOT_RUN]


def run_test(build_dir, name, timeout):
    """True when the test passes, False when it fails, None when it hangs."""
    status = run(["ctest", "--test-dir", build_dir, "-R", "^%s$" % re.escape(name)], timeout)
    return None if status is None else status == 0


def ordered_tests(path, tests, baseline, kills):
    """The tests for a mutant of path: first those that link it (those that
    killed most mutants of this file so far, the one aimed at it, the
    quickest), then all the others, the quickest first."""
    relative = os.path.relpath(path, ROOT).replace(os.sep, "/")
    linked, aimed = None, None
    for prefix, names, home in LINKED:
        if relative.startswith(prefix):
            linked, aimed = (tests if names is None else names), home
            break
    linked = [t for t in (linked if linked is not None else tests) if t in tests]

    def key(test):
        return (-kills[(relative, test)], test != aimed, baseline[test], test)

    first = sorted(linked, key=key)
    rest = sorted((t for t in tests if t not in first), key=lambda t: (baseline[t], t))
    return first, rest


def timeout_of(seconds):
    return 3 * seconds + 10


def describe(mutant):
    where = "%s:%d" % (os.path.relpath(mutant.path, ROOT), mutant.line)

    def short(text, empty):
        text = " ".join(text.split()) or empty
        return text if len(text) <= 90 else text[:87] + "..."

    return "%s [%s] %s -> %s" % (where, mutant.rule, short(mutant.original, "(nothing)"),
                                 short(mutant.replacement, "(deleted)"))


def try_mutant(mutant, build_dir, tests, baseline, kills, staged):
    """(outcome, what decided it). Staged, each test is built just before it
    runs, so that a mutant the first test kills costs one link, not ten."""
    first, rest = ordered_tests(mutant.path, tests, baseline, kills)
    if not staged and not build(build_dir, tests):
        return "stillborn", ""
    for number, test in enumerate(first + rest):
        if staged and not build(build_dir, [test]):
            # Only the first build compiles the mutated file; a later failure
            # would be odd, but a mutant that does not build never survives.
            return "stillborn", "" if number == 0 else "building " + test
        passed = run_test(build_dir, test, timeout_of(baseline[test]))
        if passed is None:
            return "killed", test + " hung"
        if not passed:
            kills[(os.path.relpath(mutant.path, ROOT).replace(os.sep, "/"), test)] += 1
            return "killed", test
    return "survived", "all %d tests" % len(first + rest)


def clean_checkout(folders):
    """Whether the sources are as committed: a mutant left by a run that was
    killed must not pass for an edit, nor an edit be lost to a mutant."""
    try:
        status = subprocess.run(["git", "-C", ROOT, "status", "--porcelain", "--"] + folders,
                                capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return True  # not a git checkout: nothing to compare with
    return status.strip() == ""


def print_table(title, rows, results, sizes):
    print("%-12s %6s %7s %9s %10s %7s" % (title, "sample", "killed", "survived", "stillborn",
                                          "score"))
    total = collections.Counter()
    for row in rows:
        counts = results[row]
        total.update(counts)
        print(format_row(row, sizes[row], counts))
    print(format_row("all", sum(sizes[row] for row in rows), total))


def format_row(name, size, counts):
    scored = counts["killed"] + counts["survived"]
    score = "%.0f %%" % (100.0 * counts["killed"] / scored) if scored else "-"
    return "%-12s %6d %7d %9d %10d %7s" % (name, size, counts["killed"], counts["survived"],
                                           counts["stillborn"], score)


def main():
    parser = argparse.ArgumentParser(description=" ".join(__doc__.split("\n\n")[0].split()),
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--per-folder", type=int, default=20, metavar="N",
                        help="mutants from each folder, or all it has (default 20)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--folder", action="append", choices=FOLDERS,
                        help="only this folder (may be given again; default all)")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-mutation"),
                        help="build folder (default build-mutation)")
    parser.add_argument("--list", action="store_true", help="list the sample and stop")
    args = parser.parse_args()
    folders = args.folder or FOLDERS

    mutants = all_mutants(folders)
    sample = sample_of(mutants, args.per_folder, args.seed, folders)
    sites = collections.Counter(folder_of(m.path) for m in mutants)
    sizes = collections.Counter(folder_of(m.path) for m in sample)
    print("mutants: %s; seed %d, per folder %d: sample %s" % (
        ", ".join("%s %d" % (f, sites[f]) for f in folders), args.seed, args.per_folder,
        ", ".join("%s %d" % (f, sizes[f]) for f in folders)), flush=True)
    for condition in sorted(unknown_conditions):
        print("mutation: not known whether this is built, its mutants are kept: " + condition)
    if args.list:
        by_kind = collections.Counter(m.rule for m in mutants)
        print("rules: " + ", ".join("%s %d" % item for item in sorted(by_kind.items())))
        for mutant in sample:
            print("  " + describe(mutant))
        return 0
    if not clean_checkout(folders):
        sys.exit("mutation: commit or stash the changes in %s first" % " ".join(folders))

    fresh = not os.path.exists(os.path.join(args.build, "CMakeCache.txt"))
    generator = ["-G", "Ninja"] if fresh and shutil.which("ninja") else []
    if run(["cmake", "-S", ROOT, "-B", args.build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"] +
           generator, 600) != 0:
        sys.exit("mutation: cmake failed")
    tests = test_names(args.build)
    # Make spends some fifteen seconds on a build that has nothing to do: it
    # builds everything at once.
    with open(os.path.join(args.build, "CMakeCache.txt"), encoding="utf-8") as f:
        staged = "CMAKE_GENERATOR:INTERNAL=Ninja\n" in f.read()
    if not build(args.build, tests):
        sys.exit("mutation: the unmutated code does not build")
    baseline = {}
    for test in tests:
        began = time.time()
        if not run_test(args.build, test, 900):
            sys.exit("mutation: the unmutated code fails " + test)
        baseline[test] = time.time() - began
    print("unmutated suite: %.0f s (%s)" % (sum(baseline.values()), ", ".join(
        "%s %.1f" % (t, baseline[t]) for t in tests)), flush=True)

    results = collections.defaultdict(collections.Counter)
    by_kind = collections.defaultdict(collections.Counter)
    kills = collections.Counter()
    survivors = []
    started = time.time()
    for number, mutant in enumerate(sample, 1):
        with open(mutant.path, encoding="utf-8") as f:
            original = f.read()
        began = time.time()
        try:
            with open(mutant.path, "w", encoding="utf-8") as f:
                f.write(original[:mutant.start] + mutant.replacement + original[mutant.end:])
            outcome, decided_by = try_mutant(mutant, args.build, tests, baseline, kills, staged)
        finally:
            # Written anew, not moved back: the file must be newer than the
            # mutant's object, or the next build would keep the mutant.
            with open(mutant.path, "w", encoding="utf-8") as f:
                f.write(original)
        if outcome == "survived":
            survivors.append(mutant)
        results[folder_of(mutant.path)][outcome] += 1
        by_kind[kind_of(mutant)][outcome] += 1
        print("%3d/%d %-9s %4.0fs %-20s %s" % (number, len(sample), outcome, time.time() - began,
                                              decided_by, describe(mutant)), flush=True)
    # The build must match the sources again, and pass: else some mutant
    # outlived its run and the figures cannot be trusted.
    if not build(args.build, tests) or not all(run_test(args.build, t, 900) for t in tests):
        print("mutation: WARNING: the unmutated code no longer passes; the results are void")

    print("\nseed %d, %d per folder: %d mutants of %d, %.0f s" % (
        args.seed, args.per_folder, len(sample), len(mutants), time.time() - started))
    print_table("folder", folders, results, sizes)
    print()
    print_table("kind", KINDS, by_kind, collections.Counter(kind_of(m) for m in sample))
    print("\nsurvivors:")
    for mutant in survivors:
        print("  " + describe(mutant))
    return 0


if __name__ == "__main__":
    sys.exit(main())
