#!/usr/bin/env python3
"""Writes the help file's pages into one folder, ready for chmcmd: the pages written by hand are
copied, and About.html and keyboardmap.html take the name, version and key functions from the shipped
scheme text, so the help never tells another name or other keys than the installed input method.

  make_help_pages.py SCHEME_TEXT HELP_SOURCES LICENSE_PAGE OUTPUT_FOLDER
"""
import html
import os
import shutil
import sys


def sections(path):
    """{section name: [(key, value)]} of a scheme text: "[-name-]" lines open a section, "//" lines are
    comments, and a pair splits at its first "=" (so "==后翻页" is the key "=")."""
    result, current = {}, None
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\r\n")
            if line.startswith("[-") and line.endswith("-]"):
                current = result.setdefault(line[2:-2], [])
            elif current is not None and line and not line.startswith("//"):
                split = line.find("=", 1)
                if split > 0:
                    current.append((line[:split], line[split + 1:]))
    return result


def key_label(key):
    if key == " ":
        return "空格"
    return key[1:] if key.startswith("键") and len(key) > 1 else key


def fill(template, values):
    with open(template, encoding="utf-8") as f:
        text = f.read()
    for name, value in values.items():
        text = text.replace("@%s@" % name, value)
    return text


def main():
    scheme, sources, license_page, out = sys.argv[1:5]
    os.makedirs(out, exist_ok=True)
    parts = sections(scheme)
    soft = dict(parts["软件选项"])
    about = {k: html.escape(soft.get(v, "")) for k, v in
             {"DISPLAY_NAME": "DisplayName", "DISPLAY_VERSION": "DisplayVersion", "COMMENTS": "Comments",
              "PUBLISHER": "Publisher"}.items()}
    rows = "\n".join("<tr><td>%s</td><td>%s</td></tr>" % (html.escape(key_label(k)), html.escape(v))
                     for k, v in parts["按键功能"])
    pages = {"About.html": fill(os.path.join(sources, "About.html.in"), about),
             "keyboardmap.html": fill(os.path.join(sources, "keyboardmap.html.in"), {"KEY_ROWS": rows})}
    for name, text in pages.items():
        with open(os.path.join(out, name), "w", encoding="utf-8") as f:
            f.write(text)
    # The pages say they are UTF-8; the project's title and the contents' names are read in the code page
    # of the help file's language (Chinese, PRC: GBK).
    project = {"main.hhp": fill(os.path.join(sources, "main.hhp.in"), {"DISPLAY_NAME": soft.get("DisplayName", "")}),
               "main.hhc": fill(os.path.join(sources, "main.hhc"), {})}
    for name, text in project.items():
        with open(os.path.join(out, name), "w", encoding="gbk", newline="\r\n") as f:
            f.write(text)
    shutil.copyfile(os.path.join(sources, "index.html"), os.path.join(out, "index.html"))
    shutil.copyfile(license_page, os.path.join(out, "License.html"))


if __name__ == "__main__":
    main()
