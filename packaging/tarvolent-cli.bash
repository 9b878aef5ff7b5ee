# SPDX-License-Identifier: MIT
# bash completion for tarvolent-cli
#
# Commands, options and their values; function addresses come from the
# command's own scan, on the machine that --machine names on the line.
# Words are never evaluated: a word is passed to the command as typed.

# The line up to the cursor split on blanks only, so that a function
# address (00:1f.3) or NAME=VALUE stays one word, as the command reads it.
_tarvolent_cli_split() {
    local line=${COMP_LINE:0:COMP_POINT}
    read -ra _tarvolent_cli_words <<<"$line"
    if [[ -z $line || $line =~ [[:space:]]$ ]]; then
        _tarvolent_cli_words+=("")
    fi
}

# Runs the command typed on the line with the line's --machine and the
# given arguments; its standard output, nothing on errors.
_tarvolent_cli_ask() {
    local program=${_tarvolent_cli_words[0]} machine=() i
    local finished=$((${#_tarvolent_cli_words[@]} - 1))
    for ((i = 1; i + 1 < finished; i++)); do
        if [[ ${_tarvolent_cli_words[i]} == --machine ]]; then
            machine=(--machine "${_tarvolent_cli_words[i + 1]/#\~\//$HOME/}")
        fi
    done
    timeout 10 "${program/#\~\//$HOME/}" "${machine[@]}" "$@" 2>/dev/null </dev/null
}

# The function addresses (BB:DD.F, DDDD:BB:DD.F outside segment 0) of the
# machine, from its device list.
_tarvolent_cli_functions() {
    local line
    local pattern='Bus ([0-9A-Fa-f]+), Device ([0-9A-Fa-f]+), Function ([0-7])(, Segment ([0-9A-Fa-f]+))?\)$'
    while IFS= read -r line; do
        if [[ $line =~ $pattern ]]; then
            if [[ -n ${BASH_REMATCH[5]} ]]; then
                printf '%04x:' "0x${BASH_REMATCH[5]}"
            fi
            printf '%02x:%02x.%x\n' "0x${BASH_REMATCH[1]}" "0x${BASH_REMATCH[2]}" \
                "0x${BASH_REMATCH[3]}"
        fi
    done < <(_tarvolent_cli_ask scan)
}

# The options a command takes (the global ones where there is none yet).
_tarvolent_cli_options() {
    case $1 in
        "") echo "--machine --help --version" ;;
        scan) echo "--filter --json --machine" ;;
        report) echo "--all --current --base -o --json --machine" ;;
        read) echo "--json --machine" ;;
        decode) echo "--all --base --json --names --machine" ;;
        set) echo "--base --dry-run --machine" ;;
        dump) echo "-o --machine" ;;
        find) echo "--hex --case --machine" ;;
        watch) echo "--interval --count --json --machine" ;;
        metrics) echo "-o --machine" ;;
        *) echo "--machine" ;;
    esac
}

# The values of the option `$1`, as "words" or "files" or "functions".
_tarvolent_cli_option_values() {
    case $1 in
        --machine) echo "files builtin" ;;
        --filter) echo "words both pci pcie" ;;
        --current) echo "functions" ;;
        --base) echo "words auto" ;;
        --interval | --count) echo "words" ;;
        -o) echo "files" ;;
    esac
}

# The full names of the fields `set` can write in function `$1`, each with
# its "=", from the command's own decode.
_tarvolent_cli_fields() {
    local name
    while IFS= read -r name; do
        printf '%s=\n' "$name"
    done < <(_tarvolent_cli_ask decode "$1" --names)
}

# What the `$2`-th argument (from 0) of command `$1` is: "functions",
# "fields" (of the function that is argument 0) or nothing.
_tarvolent_cli_argument() {
    case $1:$2 in
        read:0 | write:0 | watch:0 | decode:0 | set:0) echo "functions" ;;
        set:*) echo "fields" ;;
    esac
}

# Bash replaces only the part of the word after its last word break (":" or
# "="): the completions lose what comes before it.
_tarvolent_cli_trim_breaks() {
    local cur=$1 prefix
    [[ $cur == *[:=]* ]] || return
    prefix=${cur%"${cur##*[:=]}"}
    [[ $COMP_WORDBREAKS == *"${prefix: -1}"* ]] || return
    COMPREPLY=("${COMPREPLY[@]#"$prefix"}")
}

# Offers to complete `$1` with `$2`: a kind of value (words, files,
# functions, fields) followed by the words to offer beside it; fields are
# those of the function `$3`.
_tarvolent_cli_offer() {
    local cur=$1 kind=${2%% *} words=${2#"${2%% *}"}
    case $kind in
        fields)
            # A value after "=" is the user's to type.
            [[ $cur == *=* ]] && return
            compopt -o nospace 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -W "$(_tarvolent_cli_fields "$3")" -- "$cur")
            ;;
        words) mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur") ;;
        functions) mapfile -t COMPREPLY < <(compgen -W "$(_tarvolent_cli_functions)" -- "$cur") ;;
        files)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur"; compgen -f -- "$cur")
            ;;
    esac
}

_tarvolent_cli() {
    local _tarvolent_cli_words
    _tarvolent_cli_split
    local count=${#_tarvolent_cli_words[@]}
    local cur=${_tarvolent_cli_words[count - 1]}
    local command="" positional=0 first="" i word values
    COMPREPLY=()

    # Walk the finished words: which command, how many of its arguments so
    # far, and whether the last one wants an option's value.
    for ((i = 1; i < count - 1; i++)); do
        word=${_tarvolent_cli_words[i]}
        if [[ -n $(_tarvolent_cli_option_values "$word") ]]; then
            ((i + 1 == count - 1)) && values=$(_tarvolent_cli_option_values "$word")
            ((i++))
        elif [[ $word == -* ]]; then
            :
        elif [[ -z $command ]]; then
            command=$word
        else
            ((positional++ == 0)) && first=$word
        fi
    done

    if [[ -n $values ]]; then
        _tarvolent_cli_offer "$cur" "$values"
    elif [[ $cur == -* ]]; then
        _tarvolent_cli_offer "$cur" "words $(_tarvolent_cli_options "$command")"
    elif [[ -z $command ]]; then
        _tarvolent_cli_offer "$cur" "words scan report read write decode set dump find watch metrics"
    else
        values=$(_tarvolent_cli_argument "$command" "$positional")
        [[ -n $values ]] && _tarvolent_cli_offer "$cur" "$values" "$first"
    fi
    _tarvolent_cli_trim_breaks "$cur"
}

complete -F _tarvolent_cli tarvolent-cli
