# Shell functions for a private Firebird server on 127.0.0.1 (its own folder, configuration, security database and
# port; SYSDBA / plorvatec), without touching the system's. Sourced by scripts that set up an installation:
#   fb_home   the server's folder (with an empty lock/ in it), fb_port its port, logs where firebird.log goes,
#   database  the ERP database that sql() runs statements against and start_firebird() waits for
# start_firebird sets fb_pid.

python=/usr/bin/python3  # Debian's, the one with pyftpdlib
isql=/usr/bin/isql-fb
fb_lib=/usr/lib/x86_64-linux-gnu/firebird/3.0

free_port() {
  "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

stop_process() {  # pid, signal first tried
  local pid="$1"
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill "-$2" "$pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

configure_firebird() {
  local part
  for part in plugins UDF firebird.msg; do ln -s "$fb_lib/$part" "$fb_home/$part"; done
  cp -r "$fb_lib/intl" "$fb_home/intl"  # through a link the server finds no character sets
  cp "$fb_lib/plugins.conf" "$fb_home/"
  cp /var/lib/firebird/3.0/system/security3.fdb "$fb_home/"
  printf 'RemoteBindAddress = 127.0.0.1\nRemoteServicePort = %s\nSecurityDatabase = %s\n' \
    "$fb_port" "$fb_home/security3.fdb" > "$fb_home/firebird.conf"
  printf "create or alter user SYSDBA password 'plorvatec' using plugin Srp;\ncommit;\n" > "$fb_home/setup.sql"
  FIREBIRD="$fb_home" FIREBIRD_LOCK="$fb_home/lock" timeout 60 \
    "$isql" -q -b -user SYSDBA -i "$fb_home/setup.sql" "$fb_home/security3.fdb" >> "$logs/firebird.log" 2>&1
}

sql() {  # runs the statements in $1 against the ERP database through the private server
  local script="$logs/statement.sql"
  printf '%s\n' "$1" > "$script"
  timeout 30 "$isql" -q -b -ch UTF8 -user SYSDBA -password plorvatec -i "$script" "127.0.0.1/$fb_port:$database"
}

# Started and answering on the configured port, within 60 s (a port of the last run may take a moment to free).
start_firebird() {
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    FIREBIRD="$fb_home" FIREBIRD_LOCK="$fb_home/lock" /usr/sbin/firebird >> "$logs/firebird.log" 2>&1 &
    fb_pid=$!
    while kill -0 "$fb_pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
      sql "select 'ready' from rdb\$database;" 2>/dev/null | grep -q ready && return 0
      sleep 0.2
    done
    stop_process "$fb_pid" KILL 2>/dev/null
    sleep 1
  done
  return 1
}
