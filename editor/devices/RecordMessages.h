#pragma once
// The thread messages of a recording and their values.

#include <cstdint>

// To the recorder (CRecordSound). MM_WIM_DATA (0x3C0) comes from the device.
inline constexpr uint32_t WM_RECORD_START = 0x5F4;
inline constexpr uint32_t WM_RECORD_STOP = 0x5F5;
inline constexpr uint32_t WM_RECORD_QUIT = 0x5F7;
inline constexpr uint32_t WM_RECORD_SETWRITER = 0x5F8;  // lParam = CWriteSoundFile*

// To the writer (CWriteSoundFile).
inline constexpr uint32_t WM_WRITE_START = 0x6BC;
inline constexpr uint32_t WM_WRITE_BLOCK = 0x6BD;  // wParam = sender's thread id, block attached
inline constexpr uint32_t WM_WRITE_STOP = 0x6BE;
inline constexpr uint32_t WM_WRITE_QUIT = 0x6BF;
