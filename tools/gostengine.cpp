#include "gostengine.h"
#include "opensslerror.h"

#include <stdexcept>

namespace keymedium {

GostEngine::GostEngine()
{
    engine_ = ENGINE_by_id("gost");
    if (!engine_)
        throw std::runtime_error(withOpenSslReason("the OpenSSL GOST engine \"gost\" is not installed"));
    if (!ENGINE_init(engine_)) {
        ENGINE_free(engine_);
        throw std::runtime_error(withOpenSslReason("the OpenSSL GOST engine cannot be started"));
    }
    if (!ENGINE_set_default(engine_, ENGINE_METHOD_ALL)) {
        ENGINE_finish(engine_);
        ENGINE_free(engine_);
        throw std::runtime_error(withOpenSslReason("the OpenSSL GOST engine cannot be made the default"));
    }
}

GostEngine::~GostEngine()
{
    ENGINE_finish(engine_);
    ENGINE_free(engine_);
}

} // namespace keymedium
