# bash completion for quillet-convert                      -*- shell-script -*-
#
# Options come from the converter's own --help (its OPTIONS section), so they
# are always the ones it takes. After -o any file; after --index the index
# files (*.ind); in the --index form the data files (*.out); otherwise the
# stems: the *.ind files without their extension, and directories to walk
# into. Where no file has the extension looked for, every file is offered.

# The options the converter named by $1 lists under OPTIONS in its help.
_quillet_convert_options()
{
    LC_ALL=C "$1" --help 2>/dev/null |
        awk '/^[^ \t]/ { keep = ($0 == "OPTIONS") } keep' |
        _parse_help - |
        grep -vx -- '--'
}

# The stems of the *.ind files that start with $cur, and the directories.
_quillet_convert_stems()
{
    local IFS=$'\n' quoted file reset
    _tilde "$cur" || return
    _quote_readline_by_ref "$cur" quoted
    reset=$(shopt -po noglob)
    set -o noglob
    COMPREPLY=($(compgen -d -- $quoted))
    for file in $(compgen -f -X '!*.ind' -- $quoted); do
        [[ -d $file ]] || COMPREPLY+=("${file%.ind}")
    done
    IFS=' '
    $reset
    # Quoted as file names, with a slash after a directory.
    ((${#COMPREPLY[@]})) && compopt -o filenames 2>/dev/null
}

_quillet_convert()
{
    local cur prev words cword split
    _init_completion -s || return

    local COMP_FILEDIR_FALLBACK=1
    case $prev in
        -o | --output)
            _filedir
            return
            ;;
        --index)
            _filedir ind
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    # Which form the words so far are in, and whether a STEM is given.
    local i index_form="" options_ended="" arguments=0
    for ((i = 1; i < cword; i++)); do
        if [[ $options_ended || ${words[i]} != -?* ]]; then
            ((arguments++))
        else
            case ${words[i]} in
                --) options_ended=1 ;;
                --index) index_form=1 && ((i++)) ;;
                --index=*) index_form=1 ;;
                -o | --output) ((i++)) ;;
            esac
        fi
    done

    if [[ ! $options_ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_quillet_convert_options "$1")' -- "$cur"))
        return
    fi
    if [[ $index_form ]]; then
        _filedir out
    elif ((arguments == 0)); then
        _quillet_convert_stems
    fi
} &&
    complete -F _quillet_convert quillet-convert

# ex: filetype=sh
