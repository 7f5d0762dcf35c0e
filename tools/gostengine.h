// The OpenSSL GOST engine, loaded for the life of the program.
#pragma once

#include <openssl/engine.h>

namespace keymedium {

// Loads the engine "gost" and makes it the default for its algorithms, so that GOST keys
// and certificates can be made, read and checked. Throws std::runtime_error when the
// engine is not installed.
class GostEngine {
public:
    GostEngine();
    ~GostEngine();
    GostEngine(const GostEngine &) = delete;
    GostEngine &operator=(const GostEngine &) = delete;

    ENGINE *get() const { return engine_; }

private:
    ENGINE *engine_ = nullptr;
};

} // namespace keymedium
