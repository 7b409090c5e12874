#!/usr/bin/env bash
# Sets up, builds, creates the demo office folder demo/ when it is absent, and starts the program on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ ! -f demo/Quelmar.mdb ]; then
    build/src/app/quelmar-admin create-demo demo
fi
if [ -x build/src/app/quelmar ]; then
    exec build/src/app/quelmar --dir demo
fi
echo "La carpeta de demostración está lista en demo/; las ventanas del programa llegan en la siguiente entrega."
echo "Puede consultarla con: build/src/app/quelmar-admin query demo/Quelmar.mdb 'SELECT Nombre, Situación FROM Suscriptores'"
