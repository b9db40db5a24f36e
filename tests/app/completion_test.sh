#!/usr/bin/env bash
# The bash completion of quillet-convert offers, for each command line typed
# so far, exactly the words expected: its options as its --help lists them,
# stems from *.ind files, index and data files after --index.
#   completion_test.sh COMPLETION_SCRIPT QUILLET_CONVERT
# Exits 77 (skipped) only when bash-completion is not installed.
set -uo pipefail
completion=$(realpath "$1")
converter=$(realpath "$2")
library=/usr/share/bash-completion/bash_completion
[ -f "$library" ] || { echo "SKIP: bash-completion is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/runs/sub" "$work/runs/old.ind" "$work/runs/my dir"
ln -s "$converter" "$work/bin/quillet-convert"
cd "$work/runs"
touch run1.ind run1.out run2.ind run2.out 'two words.ind' notes.txt sub/chain.ind sub/chain.out \
  sub/chain2.out

# What the completion offers for the line, sorted, one word a line.
complete_line() {
  PATH="$work/bin:$PATH" bash --norc --noprofile -c '
    source "$1" && source "$2"
    COMP_LINE=$3 COMP_POINT=${#3}
    read -ra COMP_WORDS <<<"$3"
    [[ $3 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _quillet_convert quillet-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$library" "$completion" "$1"
}

# The long options as the help's OPTIONS section names them in its tags.
long_options=$("$converter" --help | sed -n '/^OPTIONS$/,/^[^ ]/p' | grep -E '^ {1,7}-' |
  grep -oE -- '--[a-z][a-z-]*' | sort -u | paste -sd ' ')
case " $long_options " in
  *" --index "*) ;;
  *) echo "FAIL: the help's OPTIONS name only '$long_options'"; exit 1 ;;
esac

fails=0
# line typed | words offered (space-separated, sorted)
while IFS='|' read -r line expected; do
  expected=${expected/@LONG_OPTIONS@/$long_options}
  got=$(complete_line "$line" | paste -sd ' ')
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line' offered '$got', expected '$expected'"
    fails=$((fails + 1))
  fi
done <<'EOF'
quillet-convert --|@LONG_OPTIONS@
quillet-convert --ind|--index
quillet-convert |my dir old.ind run1 run2 sub two words
quillet-convert r|run1 run2
quillet-convert sub/|sub/chain
quillet-convert -q sub/c|sub/chain
quillet-convert run1 |
quillet-convert --index |old.ind run1.ind run2.ind two words.ind
quillet-convert --index=r|run1.ind run2.ind
quillet-convert --index sub/|sub/chain.ind
quillet-convert --index run1.ind |run1.out run2.out
quillet-convert --index run1.ind sub/|sub/chain.out sub/chain2.out
quillet-convert --index run1.ind run1.out --out|--output
quillet-convert -o n|notes.txt
quillet-convert --index sub/chain.ind -o sub/chain2|sub/chain2.out
EOF
[ "$fails" -eq 0 ] || exit 1
echo PASS
