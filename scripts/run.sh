#!/usr/bin/env bash
# Builds the program and the sending service, starts the service on
# 127.0.0.1:8787 unless one already answers there, and starts the program,
# pointed at that service unless an upload address is configured.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start the program under Xvfb with 'xvfb-run -a scripts/run.sh'." >&2
  exit 1
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target VantoRingtone vrt-sendd

service=http://127.0.0.1:8787
data="${XDG_DATA_HOME:-$HOME/.local/share}/vanto-ringtone/service"
answers() { curl -s -o /dev/null --max-time 2 "$service/"; }

if ! answers; then
  mkdir -p "$data"
  if [ ! -s "$data/starter-code.txt" ]; then
    code=$(od -An -N5 -tx1 /dev/urandom | tr -d ' \n' | tr 'a-f' 'A-F')
    build/server/vrt-sendd credit add "$code" --balance 10 --data "$data" >/dev/null
    echo "$code" >"$data/starter-code.txt"
  fi
  setsid build/server/vrt-sendd --listen 127.0.0.1:8787 --data "$data" >>"$data/vrt-sendd.log" 2>&1 </dev/null &
  echo $! >"$data/vrt-sendd.pid"
  for _ in $(seq 50); do answers && break; sleep 0.2; done
  answers || { echo "The sending service did not start; see $data/vrt-sendd.log" >&2; exit 1; }
  echo "Started the sending service (stop it with: kill \$(cat $data/vrt-sendd.pid))."
fi
echo "Sending service: $service   admin page: $service/admin"
if [ -s "$data/starter-code.txt" ]; then
  echo "Starter credit code: $(cat "$data/starter-code.txt") (enter it in Tools > Options > Credit Code)"
fi

# An address in the program's own configuration wins over the local service.
config="${XDG_CONFIG_HOME:-$HOME/.config}/VRT/VantoRingtone.ini"
if [ -z "${VRT_UPLOAD_ADDRESS:-}" ] && ! grep -qs '^UploadAddress=' "$config"; then
  export VRT_UPLOAD_ADDRESS=$service
fi
exec build/app/VantoRingtone "$@"
