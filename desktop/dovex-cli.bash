# bash completion for dovex-cli: subcommands, then the options of the chosen
# one, both read from the program's own --help so that they never fall
# behind it; anything else completes as a file name.

_dovex_cli_help()
{
    local cli=${1:-dovex-cli}
    "$cli" --help 2>/dev/null
}

_dovex_cli_commands()
{
    _dovex_cli_help "$1" | awk '/^  dovex-cli [a-z]/ { print $2 }' | sort -u
}

_dovex_cli_options()
{
    # Every --option named in the blocks of the subcommand; one that takes
    # its value after "=" is offered with the "=".
    _dovex_cli_help "$1" | awk -v cmd="$2" '
        /^  dovex-cli / { inside = ($2 == cmd); }
        /^[^ ]/ { inside = 0 }
        inside {
            line = $0
            while (match(line, /--[a-z][a-z-]*=?/)) {
                seen[substr(line, RSTART, RLENGTH)] = 1
                line = substr(line, RSTART + RLENGTH)
            }
        }
        END { for (o in seen) if (!((o "=") in seen)) print o }' | sort
}

_dovex_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local cli=${COMP_WORDS[0]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$(_dovex_cli_commands "$cli") --help --version" -- "$cur"))
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_dovex_cli_options "$cli" "${COMP_WORDS[1]}")" -- "$cur"))
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace
        return
    fi
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -F _dovex_cli dovex-cli
