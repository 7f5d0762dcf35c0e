#include "fakevalidator.h"

#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define LOG_BUFFER_SIZE 1024

enum { INIT_LIB, INIT_LIB2, VALIDATE, VALIDATE_Z, GET_LOG_FILE_NAME, FREE_LIB, ENTRY_POINTS };

static const char *const entry_names[ENTRY_POINTS] = {
    "vlknInitLib", "vlknInitLib2", "vlknValidate", "vlknValidateZ", "vlknGetLogFileName", "vlknFreeLib",
};

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int32_t codes[ENTRY_POINTS];
static int writes_values;
static int32_t values[2];
static int writes_log;
static char log_bytes[LOG_BUFFER_SIZE];
static size_t log_length;
static int echo;
static char *journal;
static size_t journal_length;
static size_t journal_capacity;

/* A build for timing its callers (FAKE_NO_JOURNAL) answers alike but records nothing, so
 * that a call costs little beyond the call itself; the tests' builds keep the journal. */
#ifdef FAKE_NO_JOURNAL
enum { keeps_journal = 0 };
#else
enum { keeps_journal = 1 };
#endif

/* Appends to the journal; called with the lock held. */
static void append(const char *format, ...)
{
    if (!keeps_journal)
        return;
    va_list args;
    va_start(args, format);
    int needed = vsnprintf(NULL, 0, format, args);
    va_end(args);
    if (needed < 0)
        abort();
    if (journal_length + (size_t)needed + 1 > journal_capacity) {
        size_t capacity = journal_capacity ? journal_capacity : 256;
        while (journal_length + (size_t)needed + 1 > capacity)
            capacity *= 2;
        char *grown = realloc(journal, capacity);
        if (grown == NULL)
            abort();
        journal = grown;
        journal_capacity = capacity;
    }
    va_start(args, format);
    vsnprintf(journal + journal_length, (size_t)needed + 1, format, args);
    va_end(args);
    journal_length += (size_t)needed;
}

static void append_bytes(const char *bytes)
{
    if (!keeps_journal)
        return;
    if (bytes == NULL) {
        append("null");
        return;
    }
    append("\"");
    for (const unsigned char *p = (const unsigned char *)bytes; *p != 0; ++p) {
        if (*p >= 0x20 && *p < 0x7f && *p != '"' && *p != '\\')
            append("%c", *p);
        else
            append("\\x%02X", *p);
    }
    append("\"");
}

void fake_reset(void)
{
    pthread_mutex_lock(&lock);
    memset(codes, 0, sizeof codes);
    writes_values = 0;
    writes_log = 0;
    log_length = 0;
    echo = 0;
    journal_length = 0;
    pthread_mutex_unlock(&lock);
}

int fake_set_code(const char *entryPoint, int32_t code)
{
    for (int i = 0; i < ENTRY_POINTS; ++i) {
        if (strcmp(entryPoint, entry_names[i]) == 0) {
            pthread_mutex_lock(&lock);
            codes[i] = code;
            pthread_mutex_unlock(&lock);
            return 1;
        }
    }
    return 0;
}

void fake_set_values(int32_t first, int32_t second)
{
    pthread_mutex_lock(&lock);
    writes_values = 1;
    values[0] = first;
    values[1] = second;
    pthread_mutex_unlock(&lock);
}

void fake_set_log(const char *bytes, size_t length)
{
    pthread_mutex_lock(&lock);
    writes_log = bytes != NULL;
    log_length = length < LOG_BUFFER_SIZE ? length : LOG_BUFFER_SIZE;
    if (bytes != NULL)
        memcpy(log_bytes, bytes, log_length);
    pthread_mutex_unlock(&lock);
}

void fake_set_echo(int on)
{
    pthread_mutex_lock(&lock);
    echo = on;
    pthread_mutex_unlock(&lock);
}

char *fake_journal(void)
{
    pthread_mutex_lock(&lock);
    char *copy = malloc(journal_length + 1);
    if (copy != NULL) {
        if (journal != NULL && journal_length > 0)
            memcpy(copy, journal, journal_length);
        copy[journal_length] = 0;
    }
    pthread_mutex_unlock(&lock);
    return copy;
}

int32_t vlknInitLib(int32_t reserved, char *parameters)
{
    pthread_mutex_lock(&lock);
    append("vlknInitLib(%d, ", reserved);
    append_bytes(parameters);
    append(")\n");
    int32_t code = codes[INIT_LIB];
    pthread_mutex_unlock(&lock);
    return code;
}

#ifndef FAKE_ONLY_INIT_LIB

int32_t vlknInitLib2(int32_t reserved, char *parameters, char *extraParameters)
{
    pthread_mutex_lock(&lock);
    append("vlknInitLib2(%d, ", reserved);
    append_bytes(parameters);
    append(", ");
    append_bytes(extraParameters);
    append(")\n");
    int32_t code = codes[INIT_LIB2];
    pthread_mutex_unlock(&lock);
    return code;
}

int32_t vlknValidate(char *document, int32_t *first, int32_t *second)
{
    pthread_mutex_lock(&lock);
    append("vlknValidate(");
    append_bytes(document);
    if (first != NULL)
        append(", %d", *first);
    else
        append(", null");
    if (second != NULL)
        append(", %d)\n", *second);
    else
        append(", null)\n");
    if (echo && document != NULL && first != NULL && second != NULL) {
        int32_t sum = 0;
        for (const unsigned char *p = (const unsigned char *)document; *p != 0; ++p)
            sum += *p;
        *first = (int32_t)strlen(document);
        *second = sum;
    } else if (writes_values && first != NULL && second != NULL) {
        *first = values[0];
        *second = values[1];
    }
    int32_t code = codes[VALIDATE];
    pthread_mutex_unlock(&lock);
    return code;
}

int32_t vlknValidateZ(char *document)
{
    pthread_mutex_lock(&lock);
    append("vlknValidateZ(");
    append_bytes(document);
    append(")\n");
    int32_t code = codes[VALIDATE_Z];
    if (echo)
        code = document != NULL ? (int32_t)strlen(document) : -1;
    pthread_mutex_unlock(&lock);
    return code;
}

int32_t vlknGetLogFileName(char *document, char *buffer, int32_t kind, int32_t flag)
{
    pthread_mutex_lock(&lock);
    append("vlknGetLogFileName(");
    append_bytes(document);
    append(", %s, %d, %d)\n", buffer != NULL ? "buffer" : "null", kind, flag);
    int32_t code = codes[GET_LOG_FILE_NAME];
    if (echo && buffer != NULL) {
        size_t length = document != NULL ? strlen(document) : 0;
        if (length > LOG_BUFFER_SIZE - 1)
            length = LOG_BUFFER_SIZE - 1;
        if (length > 0)
            memcpy(buffer, document, length);
        buffer[length] = 0;
        code = kind;
    } else if (writes_log && buffer != NULL) {
        memcpy(buffer, log_bytes, log_length);
    }
    pthread_mutex_unlock(&lock);
    return code;
}

int32_t vlknFreeLib(void)
{
    pthread_mutex_lock(&lock);
    append("vlknFreeLib()\n");
    int32_t code = codes[FREE_LIB];
    pthread_mutex_unlock(&lock);
    return code;
}

#endif
