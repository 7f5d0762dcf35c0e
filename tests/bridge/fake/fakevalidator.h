/* A stand-in for the validation library: it exports the library's six entry points,
 * records every call with the arguments it saw, and answers what a test has set through
 * the functions below. All of it is safe to use from several threads at once. A build
 * with FAKE_NO_JOURNAL, for benchmarks, answers alike but records nothing. */
#ifndef FAKEVALIDATOR_H
#define FAKEVALIDATOR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets the recorded calls and every setting: all codes 0, nothing written, no echo. */
void fake_reset(void);

/* The code the entry point of that name returns; false for an unknown name. */
int fake_set_code(const char *entryPoint, int32_t code);

/* The two integers vlknValidate writes from now on. */
void fake_set_values(int32_t first, int32_t second);

/* The bytes vlknGetLogFileName copies into its buffer, exactly as given (no terminator
 * is added; at most 1024 are kept); null makes it write nothing. */
void fake_set_log(const char *bytes, size_t length);

/* In echo mode the answers come from the arguments, so that callers on several threads
 * can each check their own: vlknValidateZ returns the document's length (-1 for none),
 * vlknValidate writes the length and the sum of the bytes, and vlknGetLogFileName copies
 * the document into the buffer and returns its integer argument. */
void fake_set_echo(int on);

/* The recorded calls, one line each, oldest first, e.g. vlknInitLib2(0, "a", null); a
 * byte string shows its bytes in quotes, with \xHH for bytes outside printable ASCII and
 * for quote and backslash, or null for a null pointer. The caller frees the text. */
char *fake_journal(void);

#ifdef __cplusplus
}
#endif

#endif
