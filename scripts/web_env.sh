# Sourced by the web scripts: what emscripten and the browser tests need from the shell.
# emcc's JavaScript tools import acorn, which Debian installs under /usr/share/nodejs: a
# node from Debian looks there by itself, any other node only through NODE_PATH.
if [ -d /usr/share/nodejs ]; then
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
fi
# puppeteer-core drives the system's chromium and never downloads a browser of its own.
export PUPPETEER_SKIP_DOWNLOAD=1
