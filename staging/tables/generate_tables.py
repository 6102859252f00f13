#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the Collaborative Stage 02.05.50 decision tables in the compact form
that the staging engine embeds: codes only, no titles, notes or descriptions.

    generate_tables.py ZIP OUTPUT      write the compact form
    generate_tables.py --check ZIP FILE  regenerate and compare byte for byte

The zip is checked against its pinned SHA-256 first; any other zip is refused.
The output depends on nothing but the zip: tables sorted by id, schemas by
number, rows, columns and mappings in their published order.

Format (ASCII, one record a line, fields separated by TAB):
  T id                    a table; its column line and rows follow
  C Ikey|Ekey ...         columns in order: I input, E endpoint
  R cell ...              one row, one cell per column, text as published
  S num id name selection_table discriminators(comma separated)
  I key naaccr_item default table      one per schema input
  O key naaccr_item default            one per schema output
  M id                    a mapping of the schema, in order
  N table from=to;...     an inclusion table of the mapping
  X table from=to;...     an exclusion table of the mapping
  V key value             initial context of the mapping (no value: blank)
  P table from=to;... from=to;...      a table path: input, output mapping
"""
import hashlib
import io
import json
import sys
import zipfile

PINNED_SHA256 = "7724ec90029cb9a8b19bc56b36e4d64445328973f8534c5e2130ffd6c55b7e88"


def field(text):
    text = "" if text is None else str(text)
    if any(c in text for c in "\t\r\n") or not text.isascii():
        raise ValueError(f"text cannot be carried in the compact form: {text!r}")
    return text


def line(*fields):
    return "\t".join(field(f) for f in fields) + "\n"


def pairs(mapping):
    return ";".join(f"{field(m['from'])}={field(m['to'])}" for m in mapping or [])


def table_lines(table):
    columns = [c for c in table["definition"] if c["type"] in ("INPUT", "ENDPOINT")]
    keep = [i for i, c in enumerate(table["definition"]) if c["type"] in ("INPUT", "ENDPOINT")]
    out = [line("T", table["id"])]
    out.append(line("C", *[("I" if c["type"] == "INPUT" else "E") + c["key"] for c in columns]))
    for row in table["rows"]:
        if len(row) != len(table["definition"]):
            raise ValueError(f"table {table['id']}: a row has {len(row)} cells")
        out.append(line("R", *[row[i] for i in keep]))
    return out


def schema_lines(schema):
    out = [line("S", schema["schema_num"], schema["id"], schema["name"], schema["schema_selection_table"],
                ",".join(schema.get("schema_discriminators") or []))]
    for i in schema["inputs"]:
        out.append(line("I", i["key"], i.get("naaccr_item", ""), i.get("default"), i.get("table")))
    for o in schema["outputs"]:
        out.append(line("O", o["key"], o.get("naaccr_item", ""), o.get("default")))
    for m in schema["mappings"]:
        out.append(line("M", m["id"]))
        for t in m.get("inclusion_tables") or []:
            out.append(line("N", t["id"], pairs(t.get("input_mapping"))))
        for t in m.get("exclusion_tables") or []:
            out.append(line("X", t["id"], pairs(t.get("input_mapping"))))
        for v in m.get("initial_context") or []:
            out.append(line("V", v["key"], v.get("value")))
        for p in m.get("tables") or []:
            out.append(line("P", p["id"], pairs(p.get("input_mapping")), pairs(p.get("output_mapping"))))
    return out


def generate(zip_bytes):
    digest = hashlib.sha256(zip_bytes).hexdigest()
    if digest != PINNED_SHA256:
        raise ValueError(f"the zip's SHA-256 is {digest}, not the pinned {PINNED_SHA256}")
    tables, schemas = {}, {}
    with zipfile.ZipFile(io.BytesIO(zip_bytes)) as z:
        for name in sorted(z.namelist()):
            if not name.endswith(".json"):
                continue
            doc = json.loads(z.read(name).decode("utf-8"))
            if name.startswith("tables/"):
                tables[doc["id"]] = doc
            elif name.startswith("schemas/"):
                schemas[int(doc["schema_num"])] = doc
    if sorted(schemas) != list(range(1, len(schemas) + 1)):
        raise ValueError("schema numbers are not 1 to N without gaps")
    out = ["# Collaborative Stage 02.05.50 decision tables: codes only, generated from\n",
           f"# cs-02.05.50.zip (SHA-256 {PINNED_SHA256}) by generate_tables.py.\n",
           "# Copyright (c) 2015, Information Management Services, Inc.; 3-clause BSD, see LICENSE.\n",
           line("Z", len(tables), len(schemas))]
    for tid in sorted(tables):
        out.extend(table_lines(tables[tid]))
    for num in sorted(schemas):
        out.extend(schema_lines(schemas[num]))
    return "".join(out).encode("ascii")


def main(argv):
    check = len(argv) == 4 and argv[1] == "--check"
    if not check and len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    zip_path, out_path = argv[-2], argv[-1]
    with open(zip_path, "rb") as f:
        data = generate(f.read())
    if check:
        with open(out_path, "rb") as f:
            committed = f.read()
        if committed != data:
            sys.stderr.write(f"{out_path} differs from what {zip_path} generates\n")
            return 1
        print(f"{out_path}: identical to what the pinned zip generates ({len(data)} bytes)")
        return 0
    with open(out_path, "wb") as f:
        f.write(data)
    print(f"wrote {out_path} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
