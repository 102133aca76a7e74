#pragma once
// Shared by the fuzz targets: a private folder for the files that the loaders
// read, and a failure that libFuzzer records like a crash.

#include <cstddef>
#include <cstdint>
#include <filesystem>

// Writes the input to `name` in this process's private folder (created on
// first use, removed at exit) and returns its path.
std::filesystem::path WriteFuzzInput(const char* name, const uint8_t* data, std::size_t size);

// Aborts with a message when a property that must hold does not.
void FuzzCheck(bool condition, const char* what);
