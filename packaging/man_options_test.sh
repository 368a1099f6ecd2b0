#!/usr/bin/env bash
# Every command and option that `ambrine-leaf --help` shows must be an item
# (a .TP tag) of ambrine-leaf's man page.
# Usage: man_options_test.sh AMBRINE_LEAF MAN_PAGE
set -u
tool=$1 page=$2

help=$("$tool" --help) || { echo "FAIL: $tool --help failed" >&2; exit 1; }
commands=$(sed -n 's/^ *ambrine-leaf \([a-z][a-z-]*\) .*/\1/p' <<<"$help" | sort -u)
# Option names, not the "--option=value" form the text speaks of; and "--"
# where the option table lists it.
options=$( (grep -oE '(^|[^[:alnum:]-])--?[[:alpha:]][[:alnum:]-]*([^=[:alnum:]-]|$)' <<<"$help" |
            sed -e 's/^[^-]*//' -e 's/[^[:alnum:]-]$//'
            grep -qE '^ +-- ' <<<"$help" && echo --) | sort -u)
[ -n "$commands" ] && [ -n "$options" ] || { echo "FAIL: no commands or options in --help" >&2; exit 1; }

# The line after each .TP, without its font macro, font escapes, escaped
# hyphens, quotes and commas: the words the page lists as items.
items=$(awk 'tag { print; tag = 0 } /^\.TP/ { tag = 1 }' "$page" |
        sed -e 's/^\.[A-Z]* *//' -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/[",]/ /g' |
        tr -s ' ' '\n' | sort -u)

missing=0
for word in $commands $options; do
  if ! grep -qxF -- "$word" <<<"$items"; then
    echo "FAIL: $word (in --help) is not an item of $page" >&2
    missing=1
  fi
done
[ "$missing" = 0 ] && echo "all $(wc -w <<<"$commands $options") commands and options are in $page"
exit "$missing"
