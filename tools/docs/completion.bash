# The completion itself, over the tables above: the commands, each command's
# options, the words an option takes, image files, and the keys of the first
# image named on the line (read with `lumenmeta show --json`) with the short
# names, or the three families' prefixes when none is named yet.

# Adds to COMPREPLY the keys that start with $1, each followed by $2.
_lumenmeta_keys() {
    local cur=$1 suffix=$2 word file="" keys=""
    for word in "${COMP_WORDS[@]:2:COMP_CWORD-2}"; do
        if [[ $word != -* && -f $word ]]; then
            file=$word
            break
        fi
    done
    if [[ -n $file ]]; then
        keys=$("${COMP_WORDS[0]}" show --json "$file" 2>/dev/null |
            grep -oE '"key":"[^"]*"' | cut -d'"' -f4 | sort -u)
    fi
    if [[ -z $keys ]]; then
        COMPREPLY+=($(compgen -W "Exif. Iptc. Xmp." -- "$cur"))
        compopt -o nospace 2>/dev/null
        return 0
    fi
    # The short names (Artist, Keywords, ...) stand for keys too.
    keys+=" $("${COMP_WORDS[0]}" names 2>/dev/null | awk '{ print $1 }')"
    COMPREPLY+=($(compgen -W "$keys" -S "$suffix" -- "$cur"))
    [[ -z $suffix ]] || compopt -o nospace 2>/dev/null
    return 0
}

_lumenmeta() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$_lumenmeta_commands help $_lumenmeta_global_options" -- "$cur"))
        return 0
    fi
    local command=${COMP_WORDS[1]}
    case $command in
    help | --help | -h)
        ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "$_lumenmeta_commands" -- "$cur"))
        return 0
        ;;
    esac
    [[ -n ${_lumenmeta_options[$command]+set} ]] || return 0

    # "--sidecar=auto": bash splits the word at "=".
    if [[ $prev == = && ${COMP_WORDS[COMP_CWORD-2]} == --sidecar ]]; then
        COMPREPLY=($(compgen -W "auto" -- "$cur"))
        return 0
    fi
    # The word an option takes: one of the listed words, a number, a key or a file.
    local takes=${_lumenmeta_argument[$command $prev]-}
    if [[ -n $takes ]]; then
        case $takes in
        *'|'*) COMPREPLY=($(compgen -W "${takes//|/ }" -- "$cur")) ;;
        [a-z]*) COMPREPLY=($(compgen -W "$takes" -- "$cur")) ;;
        KEY=VALUE) _lumenmeta_keys "$cur" = ;;
        N) [[ $prev == --xmp-mode ]] && COMPREPLY=($(compgen -W "1 2 3" -- "$cur")) ;;
        [A-Z]) ;;
        *)
            COMPREPLY=($(compgen -f -- "$cur"))
            compopt -o filenames 2>/dev/null
            ;;
        esac
        return 0
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${_lumenmeta_options[$command]}" -- "$cur"))
        return 0
    fi
    # After the first file, the commands that take keys offer them too.
    if ((COMP_CWORD > 2)); then
        case $command in
        get | clear | copy-value) _lumenmeta_keys "$cur" "" ;;
        set) _lumenmeta_keys "$cur" = ;;
        esac
    fi
    if [[ ! $cur =~ ^(Exif|Iptc|Xmp)\. ]]; then
        local IFS=$'\n'
        COMPREPLY+=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
    return 0
}

complete -F _lumenmeta lumenmeta
