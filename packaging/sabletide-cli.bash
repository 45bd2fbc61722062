# Bash completion for sabletide-cli, installed as
# share/bash-completion/completions/sabletide-cli.
# SPDX-License-Identifier: GPL-2.0-or-later

_sabletide_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -o | --output-dir)
            _filedir -d
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
        -s | --size | -d | --duration | --start | --fade-out | --suffix | --command | -j | --jobs)
            # A value of the user's own.
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-r --rate -c --channels -b --bits -s --size -d --duration
            --start --pad --fade-out -o --output-dir --suffix --command -n --dry-run --existing
            --json -j --jobs -q --quiet -v --verbose -h --help --version' -- "$cur"))
        return
    fi

    # Inputs: audio files, or folders whose audio files are converted.
    _filedir
} &&
    complete -F _sabletide_cli sabletide-cli
