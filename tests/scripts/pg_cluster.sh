# A private PostgreSQL cluster in a folder of its own, for the class server
# tests and benchmarks. Sourced. pg_start DIR starts it (owned by nobody when
# we are root) with its socket in DIR, and sets PG_DIR, PG_PORT, PG_SOCKET;
# pg_stop and pg_resume stop and start it again; pg_psql USER ARGS... runs
# psql on the database "shurencho". Returns 3 from pg_start when PostgreSQL
# is not installed.
PG_BIN="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
PG_AS=()

pg_start() {
  [ -n "$PG_BIN" ] && [ -x "$PG_BIN/initdb" ] && command -v psql >/dev/null || return 3
  PG_DIR="$1"
  PG_SOCKET="$PG_DIR/socket"
  mkdir -p "$PG_SOCKET"
  if [ "$(id -u)" = 0 ]; then
    PG_AS=(runuser -u nobody --)
    chown -R nobody "$PG_DIR"
    chmod 0755 "$PG_DIR"
  fi
  "${PG_AS[@]}" "$PG_BIN/initdb" -D "$PG_DIR/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$PG_DIR/initdb.log" 2>&1
  # Only the socket: the port number just names it, so any free-looking one will do.
  PG_PORT=$((20000 + RANDOM % 20000))
  pg_resume
  "${PG_AS[@]}" "$PG_BIN/createdb" -h "$PG_SOCKET" -p "$PG_PORT" -U postgres shurencho
}
pg_resume() {
  "${PG_AS[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w -s \
    -o "-p $PG_PORT -k $PG_SOCKET -c listen_addresses=''" start
}
pg_stop() {
  "${PG_AS[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -w -s -m fast stop
}
pg_psql() {
  local user="$1"
  shift
  psql -X -q -v ON_ERROR_STOP=1 -h "$PG_SOCKET" -p "$PG_PORT" -U "$user" -d shurencho "$@"
}
# The connection text a machine's settings would hold, for USER.
pg_server_text() { echo "postgresql://$1@/shurencho?host=$PG_SOCKET&port=$PG_PORT"; }
