#!/usr/bin/env bash
# Starts a PulseAudio server with a null sink (whose monitor records what is
# played) unless one already answers. Works as root.
set -euo pipefail
if pactl info >/dev/null 2>&1; then
  exit 0
fi
pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
  -L module-null-sink -L module-native-protocol-unix >/dev/null 2>&1 || true
for _ in $(seq 1 50); do
  pactl info >/dev/null 2>&1 && exit 0
  sleep 0.1
done
echo "warning: the PulseAudio server did not start; device tests will fail" >&2
