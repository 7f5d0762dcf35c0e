// Reads the names a 64-bit ELF shared object exports: the defined symbols of its dynamic
// symbol table that other objects can bind to. Throws std::runtime_error for a file that
// is not such an object.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> readElfExports(const std::string &path);
