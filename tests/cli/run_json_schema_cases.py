#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs every case of json_schema_cases.txt with --json and checks the output.

For each case: arbolith-cli runs with a program folder of its own
(ARBOLITH_HOME), its exit status must be the one the case names (0 unless
given), its stdout must be exactly one JSON document whose first member is
"schema": "arbolith-cli/<command>/<version>" (or nothing, when the case
expects a status other than 0), and that document must be valid against
schemas/cli/<command>.schema.json. Besides, every schema file must be
a valid draft 2020-12 schema whose $id and "schema" value name its command,
and every command with a schema must have a case.

usage: run_json_schema_cases.py CLI SOURCE_DIR
"""

import json
import os
import re
import shlex
import subprocess
import sys
import tempfile
from pathlib import Path

try:
    from jsonschema import Draft202012Validator
except ImportError:
    print("python3-jsonschema is not installed (tools/setup.sh installs it)", file=sys.stderr)
    sys.exit(1)

WINE_LIBRARIES = Path("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
ID_PREFIX = "https://arbolith.invalid/schemas/cli/"


class Skip(Exception):
    """A fixture that cannot be made here: the cases that need it are skipped."""


class Fixtures:
    """The placeholders of the case file, each made the first time a case uses it."""

    def __init__(self, cli, source, work):
        self.cli = cli
        self.source = source
        self.work = work
        self.made = {}

    def run(self, args):
        env = dict(os.environ, ARBOLITH_HOME=str(self.work / "home"))
        env.pop("WINEPREFIX", None)
        return subprocess.run([str(self.cli)] + args, env=env, capture_output=True, timeout=600)

    def get(self, name):
        if name not in self.made:
            maker = getattr(self, "make_" + name, None)
            if maker is None:
                raise KeyError(name)
            self.made[name] = maker()
        value = self.made[name]
        if isinstance(value, Skip):
            raise value
        return value

    def make_sample(self):
        return str(self.source / "data" / "sample" / "Quill.tlb")

    def make_samplehelp(self):
        return str(self.source / "data" / "sample" / "Quill.chm")

    def make_models(self):
        folder = self.work / "models"
        made = self.run(["make", self.get("sample"), "--top", "Application", "--events", "--models", str(folder)])
        if made.returncode != 0:
            raise RuntimeError("cannot make the sample model: " + made.stderr.decode(errors="replace"))
        return str(folder)

    def make_prefix(self):
        # A Wine prefix whose registry holds the sample library, reached
        # through drive Z: as Wine maps it.
        prefix = self.work / "prefix"
        (prefix / "dosdevices").mkdir(parents=True)
        (prefix / "dosdevices" / "z:").symlink_to("/")
        windows = "Z:" + self.get("sample").replace("/", "\\")
        key = "Software\\\\Classes\\\\Typelib\\\\{3F6A9C10-5B7E-4D21-A8C4-7E2B1F0D9A01}\\\\1.0"
        escaped = windows.replace("\\", "\\\\")
        text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
        for below, value in (("", '@="Quill 1.0 Object Library"'), ("\\\\FLAGS", '@="0"'),
                             ("\\\\0\\\\win64", '@="' + escaped + '"')):
            text += "[" + key + below + "] 1700000000\n#time=1d9a0b0c0d0e0f0\n" + value + "\n\n"
        (prefix / "system.reg").write_text(text)
        return str(prefix)

    def make_wine(self):
        if not (WINE_LIBRARIES / "scrrun.dll").is_file():
            return Skip("Wine's libraries are not installed (package wine64)")
        return str(WINE_LIBRARIES)

    def make_winemodels(self):
        folder = self.work / "winemodels"
        made = self.run(["make", self.get("wine") + "/scrrun.dll", "--top", "FileSystemObject", "--models", str(folder)])
        if made.returncode != 0:
            raise RuntimeError("cannot make the scrrun model: " + made.stderr.decode(errors="replace"))
        return str(folder)

    def make_tmp(self):
        folder = self.work / "tmp"
        folder.mkdir(exist_ok=True)
        return str(folder)


def read_cases(path):
    """(line number, expected status, arguments) for each case line."""
    cases = []
    for number, line in enumerate(path.read_text().splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        status = 0
        match = re.match(r"\[(\d+)\]\s+(.*)", line)
        if match:
            status, line = int(match.group(1)), match.group(2)
        cases.append((number, status, shlex.split(line)))
    return cases


def load_schemas(folder, failures):
    """Every schema by command, each checked as a schema first."""
    schemas = {}
    for file in sorted(folder.glob("*.schema.json")):
        command = file.name[: -len(".schema.json")]
        try:
            schema = json.loads(file.read_text())
            Draft202012Validator.check_schema(schema)
        except Exception as error:  # a broken schema is a failure of its own
            failures.append(f"{file.name}: not a valid schema: {error}")
            continue
        if not schema.get("$id", "").startswith(ID_PREFIX + command + "/"):
            failures.append(f"{file.name}: $id {schema.get('$id')!r} does not name {command}")
        if schema.get("properties", {}).get("schema", {}).get("const", "").split("/")[:2] != ["arbolith-cli", command]:
            failures.append(f"{file.name}: its \"schema\" member is not the constant arbolith-cli/{command}/N")
        schemas[command] = schema
    return schemas


def check_case(fixtures, schemas, status, args):
    """Why the case fails, or None; raises Skip when a fixture is missing."""
    filled = [re.sub(r"\{(\w+)\}", lambda m: fixtures.get(m.group(1)), arg) for arg in args]
    command = filled[0]
    if command not in schemas:
        return f"no schema for {command}"
    run = fixtures.run(filled + ["--json"])
    shown = "arbolith-cli " + " ".join(shlex.quote(a) for a in filled) + " --json"
    if run.returncode != status:
        return f"{shown}: status {run.returncode}, expected {status}; stderr: {run.stderr.decode(errors='replace')}"
    if status != 0 and not run.stdout:
        return None  # a failure that prints nothing on stdout, as it should
    try:
        document = json.loads(run.stdout.decode("utf-8"), object_pairs_hook=lambda pairs: pairs)
    except (UnicodeDecodeError, json.JSONDecodeError) as error:
        return f"{shown}: stdout is not one JSON document: {error}"
    if not isinstance(document, list) or not document or document[0][0] != "schema":
        return f"{shown}: the document is not an object whose first member is \"schema\""
    document = json.loads(run.stdout)
    errors = sorted(Draft202012Validator(schemas[command]).iter_errors(document), key=lambda e: list(e.path))
    if errors:
        return f"{shown}: " + "; ".join(f"at /{'/'.join(map(str, e.path))}: {e.message}" for e in errors[:5])
    return None


def main():
    cli, source = Path(sys.argv[1]), Path(sys.argv[2])
    failures = []
    schemas = load_schemas(source / "schemas" / "cli", failures)
    cases = read_cases(source / "tests" / "cli" / "json_schema_cases.txt")
    for command in sorted(set(schemas) - {args[0] for _, _, args in cases}):
        failures.append(f"{command} has a schema but no case")
    skipped = passed = 0
    with tempfile.TemporaryDirectory() as work:
        fixtures = Fixtures(cli, source, Path(work))
        for number, status, args in cases:
            try:
                failure = check_case(fixtures, schemas, status, args)
            except Skip as why:
                skipped += 1
                print(f"line {number}: skipped: {why}")
                continue
            except KeyError as name:
                failure = f"unknown placeholder {{{name.args[0]}}}"
            except (RuntimeError, OSError, subprocess.TimeoutExpired) as error:
                failure = str(error)
            if failure:
                failures.append(f"line {number}: {failure}")
            else:
                passed += 1
    for failure in failures:
        print("FAILED " + failure)
    print(f"{passed} cases passed, {skipped} skipped, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
