#!/usr/bin/env python3
"""The DSC resource as dsc sees it, from its documentation (resource manifest reference, v3.1).

dsc_check.py manifest MANIFEST
    The manifest's shape: the fields, patterns and per-operation rules of the published resource
    manifest schema, every exit code the resource returns named, and an embedded instance schema
    that is itself a valid JSON schema (draft 2020-12).
dsc_check.py output MANIFEST OPERATION < STDOUT
    One operation's standard output: each state valid against the embedded instance schema, the
    test state with _inDesiredState, and for stateAndDiff a second line naming properties.
Prints what is wrong and exits 1; prints nothing and exits 0 when all holds."""
import json
import re
import sys

import jsonschema

SEMVER = re.compile(r"^(0|[1-9]\d*)\.(0|[1-9]\d*)\.(0|[1-9]\d*)(?:-[0-9A-Za-z.-]+)?(?:\+[0-9A-Za-z.-]+)?$")
TYPE = re.compile(r"^\w+(\.\w+){0,3}/\w+$")
KNOWN = {"$schema", "type", "version", "description", "kind", "tags", "get", "set", "whatIf", "test", "delete",
         "export", "validate", "resolve", "adapter", "exitCodes", "schema"}
OPERATIONS = {"get": "get", "test": "test", "set": "set", "whatIf": "whatif", "export": "export"}
RETURNED = {"1", "3", "4", "5", "6", "7", "8", "9"}


def check_manifest(manifest):
    wrong = []
    if manifest.get("$schema") != "https://aka.ms/dsc/schemas/v3/bundled/resource/manifest.json":
        wrong.append("$schema is not the v3 bundled manifest schema")
    if not TYPE.match(manifest.get("type", "")) or manifest.get("type") != "Corvane.mDNS/Pairs":
        wrong.append("type")
    if not SEMVER.match(manifest.get("version", "")):
        wrong.append("version is not semver")
    tags = manifest.get("tags", [])
    if len(set(tags)) != len(tags) or not all(re.match(r"^\w+$", tag) for tag in tags):
        wrong.append("tags")
    wrong += ["unknown property " + key for key in manifest if key not in KNOWN]
    for name, word in OPERATIONS.items():
        method = manifest.get(name)
        if not isinstance(method, dict):
            wrong.append(name + " is missing")
            continue
        if method.get("executable") != "mDNSPairs.exe" or method.get("args") != ["dsc", word]:
            wrong.append(name + " does not run mDNSPairs.exe dsc " + word)
        if method.get("input") != "stdin":
            wrong.append(name + " does not take the instance on stdin")
        if name in ("test", "set", "whatIf") and method.get("return") != "stateAndDiff":
            wrong.append(name + " does not return stateAndDiff")
    if manifest.get("set", {}).get("implementsPretest") is not True:
        wrong.append("set does not implement its pretest")
    codes = manifest.get("exitCodes", {})
    if not all(re.match(r"^-?[0-9]+$", key) and isinstance(value, str) for key, value in codes.items()):
        wrong.append("exitCodes")
    wrong += ["exit code %s is not named" % code for code in sorted(RETURNED - set(codes))]
    try:
        jsonschema.Draft202012Validator.check_schema(manifest["schema"]["embedded"])
    except (KeyError, jsonschema.SchemaError) as error:
        wrong.append("the embedded instance schema: %s" % error)
    return wrong


def check_output(manifest, operation, text):
    schema = manifest["schema"]["embedded"]
    lines = [line for line in text.splitlines() if line.strip()]
    wrong = []
    diff = operation in ("test", "set", "whatif")
    if len(lines) != (2 if diff else 1):
        return ["%d lines on standard output" % len(lines)]
    try:
        state = json.loads(lines[0])
        jsonschema.validate(state, schema)
    except (ValueError, jsonschema.ValidationError) as error:
        return ["the state: %s" % error]
    if operation == "test" and not isinstance(state.get("_inDesiredState"), bool):
        wrong.append("test's state has no _inDesiredState")
    if diff:
        names = json.loads(lines[1])
        if not isinstance(names, list) or not all(name in schema["properties"] for name in names) or \
                len(set(names)) != len(names):
            wrong.append("the second line is not an array of the instance's properties, each once")
    return wrong


def main():
    manifest = json.load(open(sys.argv[2], encoding="utf-8"))
    wrong = check_manifest(manifest) if sys.argv[1] == "manifest" else check_output(manifest, sys.argv[3], sys.stdin.read())
    for line in wrong:
        print(line)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
