# bash completion for vexlane-stats                        -*- shell-script -*-

_vexlane_stats() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  case $prev in
    -i | --log | -o | --output | -c | --config)
      COMPREPLY=($(compgen -f -- "$cur"))
      return
      ;;
    -d | --directory)
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    -f | --format)
      COMPREPLY=($(compgen -W 'text stats html json csv web site' -- "$cur"))
      return
      ;;
    --log-format)
      COMPREPLY=($(compgen -W 'auto classic irssi weechat znc mirc hexchat
        limnoria eggdrop' -- "$cur"))
      return
      ;;
    -p | --extra-points | -l | --level | --since | --until)
      return
      ;;
  esac
  if [[ $cur == --explain=* ]]; then
    COMPREPLY=($(compgen -f -P --explain= -- "${cur#--explain=}"))
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '-i --log --log-format -f --format -p --extra-points -l --level
      -o --output --force -d --directory -q --quiet --explain -c --config
      --since --until --strict --follow -h --help -V --version' \
      -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -o filenames -F _vexlane_stats vexlane-stats
