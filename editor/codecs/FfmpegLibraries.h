#pragma once
// FFmpeg is not linked: its libraries (libavutil, libswresample, libavcodec,
// libavformat and the many libraries they need) are dlopen()ed the first time
// a WMA or AAC file is read or written, so that every other use of the editor
// starts without mapping them. FfmpegLibraries.cpp defines each FFmpeg
// function the codecs call, under its own name, as a forwarder to the loaded
// library.

// Loads the four libraries, once per process and thread-safely; false when
// one of them cannot be loaded. Code that starts FFmpeg work asks this first:
// calling an FFmpeg function without the libraries ends the process.
bool FfmpegAvailable();
