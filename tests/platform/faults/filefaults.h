// Makes the next file call of one kind fail with an errno, for the commit fault tests.
#pragma once

#include <cstddef>

namespace filefaults {

enum class Call { None, CreateTemporary, Write, Flush, Close, Rename };

// The next `call` fails with `error`; Write may first let `bytesBefore` bytes through, the
// way a disk fills up in the middle of a file.
void failNext(Call call, int error, std::size_t bytesBefore = 0);
void clear();

} // namespace filefaults
