#!/usr/bin/env bash
# The help files' tables of contents as they go to the help compiler: the Chinese one in Big5,
# the code page its viewer reads it in, and listing the same pages as the English one.
# Usage: help_toc_test.sh HELP_WORK_DIR
set -u
pages() { grep -o 'name="Local" value="[^"]*"'; }
diff <(pages <"$1/en/toc.hhc") <(iconv -f BIG5 -t UTF-8 "$1/zh/toc.hhc" | pages)
