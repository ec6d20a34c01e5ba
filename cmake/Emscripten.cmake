# Toolchain for the web build (`make web`): Debian's emscripten package,
# offline. Its emcc runs Node.js tools that look for their modules (acorn and
# the like) in Debian's folder, which NODE_PATH must name at every call, not
# only while CMake configures.
set(VANTREL_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "emscripten's installed root")
set(VANTREL_NODE_PATH /usr/share/nodejs CACHE PATH "where Debian keeps emscripten's Node.js modules")
if(NOT EXISTS ${VANTREL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
  message(FATAL_ERROR "no emscripten in ${VANTREL_EMSCRIPTEN_ROOT}: run scripts/install-deps.sh --web")
endif()
set(ENV{NODE_PATH} ${VANTREL_NODE_PATH})
include(${VANTREL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

set(launcher ${CMAKE_COMMAND} -E env NODE_PATH=${VANTREL_NODE_PATH})
set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
set(CMAKE_C_LINKER_LAUNCHER ${launcher})
set(CMAKE_CXX_LINKER_LAUNCHER ${launcher})

# The code reports bad data by throwing (Frontend::Error and the integer codes);
# emscripten would otherwise compile every catch away and abort instead.
set(CMAKE_CXX_FLAGS_INIT -fexceptions)
set(CMAKE_EXE_LINKER_FLAGS_INIT -fexceptions)

# WebGL 2 only, through the system GL library emscripten ships (its ports
# cannot be fetched offline). The page is our own: emcc writes app.js and
# app.wasm, never HTML, whose minifier step is broken in this release.
set(VANTREL_WEB_LINK_OPTIONS -sENVIRONMENT=web -sUSE_WEBGL2=1 -sFULL_ES3=1 -sMIN_WEBGL_VERSION=2
  -sMAX_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH=1)
