# Bash completion for sabletide-cli, installed as
# share/bash-completion/completions/sabletide-cli.
# SPDX-License-Identifier: GPL-2.0-or-later

# The options, and those that take a value, come from the tool's own --help,
# so that a new option is completed without an edit here.
_sabletide_cli_help()
{
    LC_ALL=C "$(dequote "$1")" --help 2>/dev/null |
        sed -nE 's/^ +((-[a-zA-Z0-9], )?--[a-z-]+)( <[^>]*>)?( {2,}.*)?$/\1\3/p'
}

_sabletide_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -o | --output-dir)
            _filedir -d
            return
            ;;
        --files-from)
            _filedir
            return
            ;;
        --existing)
            COMPREPLY=($(compgen -W 'overwrite skip fail' -- "$cur"))
            return
            ;;
        -b | --bits)
            COMPREPLY=($(compgen -W '8 16 24 32' -- "$cur"))
            return
            ;;
        -r | --rate)
            COMPREPLY=($(compgen -W '8000 11025 16000 22050 32000 44100 48000 88200 96000
                192000' -- "$cur"))
            return
            ;;
        -c | --channels)
            COMPREPLY=($(compgen -W '1 2' -- "$cur"))
            return
            ;;
        -h | --help | --version)
            return
            ;;
        -*)
            # Any other value (a size, a time, a suffix) is the user's own.
            local option
            while read -r option; do
                [[ $option == *" <"* && ", ${option% <*}, " == *", $prev, "* ]] && return
            done < <(_sabletide_cli_help "$1")
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_sabletide_cli_help "$1" | sed "s/ <.*//; s/,//")' \
            -- "$cur"))
        return
    fi

    # Inputs: audio files, or folders whose audio files are converted.
    _filedir
} &&
    complete -F _sabletide_cli sabletide-cli
