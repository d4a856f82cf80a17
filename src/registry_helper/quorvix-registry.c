/* The options editor's hand inside a Wine prefix: a console Windows program
 * that reads and changes one registry key below HKEY_CURRENT_USER through
 * the registry functions themselves, so nothing is lost to a text form in
 * between (reg.exe's import drops a value holding a NUL and still succeeds).
 *
 * One request on standard input, one reply on standard output, both UTF-8
 * lines whose variable parts are length-prefixed ("<bytes>:<bytes...>"), so
 * any text, line breaks and NULs included, passes unchanged:
 *
 *   quorvix-registry 1                 (once, first line of each direction)
 *   key <n>:<path below HKCU>
 *   set <n>:<name> <n>:<text>          (REG_SZ)
 *   delete <n>:<name>
 *   end
 *
 * Further requests may follow in the same run; end of input ends it. The
 * reply names every value of the key as it is after the request, then the
 * outcome:
 *
 *   key present | key absent
 *   value <n>:<name> sz <n>:<text>     (REG_SZ: the data as stored, one
 *                                       terminating NUL removed)
 *   value <n>:<name> other <type> <size>   (any other type, or a REG_SZ
 *                                       whose data is no UTF-16 text)
 *   ok | failed <n>:<name> <win32 error> <n>:<what failed>
 *   unrestored <n>:<name> <win32 error>    (after failed, per value that
 *                                       could not be put back)
 *   end
 *
 * The changes are applied in order and each changed value is read back;
 * when any of them fails, every value the request touched gets its previous
 * type and data back (or is removed again), so a refused request leaves the
 * key as it found it. */

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#define PROTOCOL_LINE "quorvix-registry 1\n"

typedef struct
{
    char* data;
    size_t size;
    size_t capacity;
} Buffer;

static void fail_out_of_memory(void)
{
    fputs("quorvix-registry: out of memory\n", stderr);
    exit(3);
}

static void append(Buffer* buffer, const void* bytes, size_t size)
{
    if (buffer->size + size > buffer->capacity) {
        size_t capacity = buffer->capacity ? buffer->capacity : 4096;
        while (capacity < buffer->size + size)
            capacity *= 2;
        char* grown = realloc(buffer->data, capacity);
        if (!grown)
            fail_out_of_memory();
        buffer->data = grown;
        buffer->capacity = capacity;
    }
    memcpy(buffer->data + buffer->size, bytes, size);
    buffer->size += size;
}

static void append_text(Buffer* buffer, const char* text)
{
    append(buffer, text, strlen(text));
}

static void append_number(Buffer* buffer, unsigned long long number)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%llu", number);
    append_text(buffer, digits);
}

static void append_field(Buffer* buffer, const char* bytes, size_t size)
{
    append_number(buffer, size);
    append(buffer, ":", 1);
    append(buffer, bytes, size);
}

/* ---- UTF-8 <-> UTF-16, exact: what is not a text is said so ---- */

/* UTF-16 units to UTF-8; 0 when the units hold a lone surrogate. */
static int utf16_to_utf8(const WCHAR* units, size_t count, Buffer* out)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned long c = units[i];
        if (c >= 0xd800 && c <= 0xdbff) {
            if (i + 1 >= count || units[i + 1] < 0xdc00 || units[i + 1] > 0xdfff)
                return 0;
            c = 0x10000 + ((c - 0xd800) << 10) + (units[++i] - 0xdc00);
        } else if (c >= 0xdc00 && c <= 0xdfff) {
            return 0;
        }
        unsigned char bytes[4];
        size_t n;
        if (c < 0x80) {
            bytes[0] = (unsigned char)c;
            n = 1;
        } else if (c < 0x800) {
            bytes[0] = (unsigned char)(0xc0 | (c >> 6));
            bytes[1] = (unsigned char)(0x80 | (c & 0x3f));
            n = 2;
        } else if (c < 0x10000) {
            bytes[0] = (unsigned char)(0xe0 | (c >> 12));
            bytes[1] = (unsigned char)(0x80 | ((c >> 6) & 0x3f));
            bytes[2] = (unsigned char)(0x80 | (c & 0x3f));
            n = 3;
        } else {
            bytes[0] = (unsigned char)(0xf0 | (c >> 18));
            bytes[1] = (unsigned char)(0x80 | ((c >> 12) & 0x3f));
            bytes[2] = (unsigned char)(0x80 | ((c >> 6) & 0x3f));
            bytes[3] = (unsigned char)(0x80 | (c & 0x3f));
            n = 4;
        }
        append(out, bytes, n);
    }
    return 1;
}

/* Strict UTF-8 to NUL-terminated UTF-16 (the NUL not counted in *count);
 * NULL for bytes that are not UTF-8. */
static WCHAR* utf8_to_utf16(const unsigned char* bytes, size_t size, size_t* count)
{
    WCHAR* units = malloc((size + 1) * sizeof(WCHAR));
    if (!units)
        fail_out_of_memory();
    size_t n = 0;
    for (size_t i = 0; i < size;) {
        unsigned long c = bytes[i];
        size_t extra;
        unsigned long least;
        if (c < 0x80) {
            extra = 0;
            least = 0;
        } else if ((c & 0xe0) == 0xc0) {
            extra = 1;
            c &= 0x1f;
            least = 0x80;
        } else if ((c & 0xf0) == 0xe0) {
            extra = 2;
            c &= 0x0f;
            least = 0x800;
        } else if ((c & 0xf8) == 0xf0) {
            extra = 3;
            c &= 0x07;
            least = 0x10000;
        } else {
            free(units);
            return NULL;
        }
        if (i + extra >= size) {
            free(units);
            return NULL;
        }
        for (size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xc0) != 0x80) {
                free(units);
                return NULL;
            }
            c = (c << 6) | (bytes[i + k] & 0x3f);
        }
        if (c < least || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) {
            free(units);
            return NULL;
        }
        i += extra + 1;
        if (c >= 0x10000) {
            units[n++] = (WCHAR)(0xd800 + ((c - 0x10000) >> 10));
            units[n++] = (WCHAR)(0xdc00 + ((c - 0x10000) & 0x3ff));
        } else {
            units[n++] = (WCHAR)c;
        }
    }
    units[n] = 0;
    *count = n;
    return units;
}

/* ---- the request ---- */

typedef struct
{
    WCHAR* name;
    size_t name_length;
    char* name_utf8;
    size_t name_utf8_size;
    int removal;
    BYTE* data; /* UTF-16 text with its terminating NUL, for a set */
    DWORD data_size;
    int touched; /* written, so read back and, on failure, put back */
    WCHAR* folded; /* the name in upper case */
} Change;

typedef struct
{
    WCHAR* key;
    Change* changes;
    size_t count;
    size_t capacity;
} Request;

typedef struct
{
    const unsigned char* at;
    const unsigned char* end;
} Reader;

static int read_word(Reader* in, const char* word)
{
    size_t size = strlen(word);
    if ((size_t)(in->end - in->at) < size || memcmp(in->at, word, size) != 0)
        return 0;
    in->at += size;
    return 1;
}

static int read_field(Reader* in, const unsigned char** bytes, size_t* size)
{
    size_t length = 0;
    int digits = 0;
    while (in->at < in->end && *in->at >= '0' && *in->at <= '9' && digits < 12) {
        length = length * 10 + (size_t)(*in->at++ - '0');
        ++digits;
    }
    if (!digits || in->at >= in->end || *in->at != ':')
        return 0;
    ++in->at;
    if ((size_t)(in->end - in->at) < length)
        return 0;
    *bytes = in->at;
    *size = length;
    in->at += length;
    return 1;
}

static void free_request(Request* request)
{
    for (size_t i = 0; i < request->count; ++i) {
        free(request->changes[i].name);
        free(request->changes[i].name_utf8);
        free(request->changes[i].data);
        free(request->changes[i].folded);
    }
    free(request->changes);
    free(request->key);
    memset(request, 0, sizeof *request);
}

/* Parses one request from in; 0 on a malformed one, with *why set. */
static int parse_request(Reader* in, Request* request, const char** why)
{
    const unsigned char* bytes;
    size_t size, count;
    *why = "malformed request";
    if (!read_word(in, "key ") || !read_field(in, &bytes, &size) || !read_word(in, "\n"))
        return 0;
    if (!(request->key = utf8_to_utf16(bytes, size, &count))) {
        *why = "the key path is not UTF-8";
        return 0;
    }
    for (;;) {
        if (read_word(in, "end\n"))
            return 1;
        Change change;
        memset(&change, 0, sizeof change);
        if (read_word(in, "set "))
            change.removal = 0;
        else if (read_word(in, "delete "))
            change.removal = 1;
        else
            return 0;
        if (!read_field(in, &bytes, &size))
            return 0;
        if (!(change.name = utf8_to_utf16(bytes, size, &change.name_length))) {
            *why = "a value name is not UTF-8";
            return 0;
        }
        change.name_utf8 = malloc(size + 1);
        if (!change.name_utf8)
            fail_out_of_memory();
        memcpy(change.name_utf8, bytes, size);
        change.name_utf8_size = size;
        if (!change.removal) {
            if (!read_word(in, " ") || !read_field(in, &bytes, &size)) {
                free(change.name);
                free(change.name_utf8);
                return 0;
            }
            WCHAR* text = utf8_to_utf16(bytes, size, &count);
            if (!text || (count + 1) * sizeof(WCHAR) > 0xffffffffu) {
                free(change.name);
                free(change.name_utf8);
                free(text);
                *why = "a text is not UTF-8";
                return 0;
            }
            change.data = (BYTE*)text;
            change.data_size = (DWORD)((count + 1) * sizeof(WCHAR));
        }
        if (!read_word(in, "\n")) {
            free(change.name);
            free(change.name_utf8);
            free(change.data);
            return 0;
        }
        if (request->count == request->capacity) {
            request->capacity = request->capacity ? request->capacity * 2 : 64;
            Change* grown = realloc(request->changes, request->capacity * sizeof(Change));
            if (!grown)
                fail_out_of_memory();
            request->changes = grown;
        }
        request->changes[request->count++] = change;
    }
}

/* ---- the registry ---- */

/* One value of the key as it was found, then as the request leaves it. */
typedef struct
{
    WCHAR* name;
    DWORD name_length;
    WCHAR* folded;
    DWORD type;
    BYTE* data;
    DWORD size;
    int removed;
} Entry;

typedef struct
{
    Entry* entries;
    size_t count;
    size_t capacity;
    Entry** by_name; /* sorted by folded name, for the changes' look-ups */
} Values;

static WCHAR* copy_units(const WCHAR* units, size_t count)
{
    WCHAR* copy = malloc((count + 1) * sizeof(WCHAR));
    if (!copy)
        fail_out_of_memory();
    memcpy(copy, units, count * sizeof(WCHAR));
    copy[count] = 0;
    return copy;
}

/* ntdll's own upper-case table, the one the registry compares names with;
 * user32's CharUpperBuffW would cost the start of the window system. */
WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR unit);

/* The name as the registry compares it. */
static WCHAR* fold(const WCHAR* name, size_t length)
{
    WCHAR* folded = copy_units(name, length);
    for (size_t i = 0; i < length; ++i)
        folded[i] = RtlUpcaseUnicodeChar(folded[i]);
    return folded;
}

static int compare_names(const WCHAR* a, size_t a_length, const WCHAR* b, size_t b_length)
{
    size_t shorter = a_length < b_length ? a_length : b_length;
    for (size_t i = 0; i < shorter; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return a_length < b_length ? -1 : a_length > b_length;
}

static int compare_entries(const void* left, const void* right)
{
    const Entry* a = *(const Entry* const*)left;
    const Entry* b = *(const Entry* const*)right;
    return compare_names(a->folded, a->name_length, b->folded, b->name_length);
}

static Entry* find_entry(const Values* values, const WCHAR* folded, size_t length)
{
    size_t low = 0, high = values->count;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        const Entry* entry = values->by_name[middle];
        int order = compare_names(entry->folded, entry->name_length, folded, length);
        if (order == 0)
            return values->by_name[middle];
        if (order < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return NULL;
}

static void free_values(Values* values)
{
    for (size_t i = 0; i < values->count; ++i) {
        free(values->entries[i].name);
        free(values->entries[i].folded);
        free(values->entries[i].data);
    }
    free(values->entries);
    free(values->by_name);
    memset(values, 0, sizeof *values);
}

/* Reads every value of key into values, one call per value. */
static LONG read_values(HKEY key, Values* values)
{
    DWORD count = 0, longest_name = 0, longest_data = 0;
    LONG result = RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, &longest_name, &longest_data,
                                   NULL, NULL);
    if (result != ERROR_SUCCESS)
        return result;
    DWORD name_capacity = longest_name + 1;
    DWORD data_capacity = longest_data + sizeof(WCHAR);
    WCHAR* name = malloc(name_capacity * sizeof(WCHAR));
    BYTE* data = malloc(data_capacity);
    if (!name || !data)
        fail_out_of_memory();
    for (DWORD index = 0;;) {
        DWORD name_length = name_capacity;
        DWORD size = data_capacity;
        DWORD type = 0;
        result = RegEnumValueW(key, index, name, &name_length, NULL, &type, data, &size);
        if (result == ERROR_NO_MORE_ITEMS) {
            result = ERROR_SUCCESS;
            break;
        }
        if (result == ERROR_MORE_DATA) {
            /* a value grew since the key was measured */
            name_capacity = name_capacity * 2 + 256;
            data_capacity = data_capacity * 2 + 4096;
            WCHAR* larger_name = realloc(name, name_capacity * sizeof(WCHAR));
            BYTE* larger_data = realloc(data, data_capacity);
            if (!larger_name || !larger_data)
                fail_out_of_memory();
            name = larger_name;
            data = larger_data;
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        ++index;
        if (values->count == values->capacity) {
            values->capacity = values->capacity ? values->capacity * 2 : (count ? count + 8 : 64);
            Entry* grown = realloc(values->entries, values->capacity * sizeof(Entry));
            if (!grown)
                fail_out_of_memory();
            values->entries = grown;
        }
        Entry* entry = &values->entries[values->count++];
        memset(entry, 0, sizeof *entry);
        entry->name = copy_units(name, name_length);
        entry->name_length = name_length;
        entry->folded = fold(name, name_length);
        entry->type = type;
        entry->size = size;
        entry->data = malloc(size ? size : 1);
        if (!entry->data)
            fail_out_of_memory();
        memcpy(entry->data, data, size);
    }
    free(name);
    free(data);
    if (result != ERROR_SUCCESS)
        return result;
    values->by_name = malloc((values->count + 1) * sizeof(Entry*));
    if (!values->by_name)
        fail_out_of_memory();
    for (size_t i = 0; i < values->count; ++i)
        values->by_name[i] = &values->entries[i];
    qsort(values->by_name, values->count, sizeof(Entry*), compare_entries);
    return ERROR_SUCCESS;
}

static void describe_error(LONG code, Buffer* out)
{
    WCHAR* text = NULL;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       NULL, (DWORD)code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), (LPWSTR)&text, 0, NULL);
    while (length && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == ' '))
        --length;
    if (!length || !utf16_to_utf8(text, length, out)) {
        char fallback[48];
        snprintf(fallback, sizeof fallback, "Win32 error %ld", (long)code);
        append_text(out, fallback);
    }
    if (text)
        LocalFree(text);
}

static void report_failure(Buffer* out, const char* name, size_t name_size, LONG code, const char* what)
{
    Buffer message = {0};
    append_text(&message, what);
    if (code != ERROR_SUCCESS && code != ERROR_INVALID_DATA) {
        append_text(&message, ": ");
        describe_error(code, &message);
    }
    append_text(out, "failed ");
    append_field(out, name, name_size);
    append(out, " ", 1);
    append_number(out, (unsigned long)code);
    append(out, " ", 1);
    append_field(out, message.data, message.size);
    append(out, "\n", 1);
    free(message.data);
}

static void list_entry(const WCHAR* name, size_t name_length, DWORD type, const BYTE* data, DWORD size, Buffer* out)
{
    Buffer name_utf8 = {0};
    if (!utf16_to_utf8(name, name_length, &name_utf8))
        return; /* a name no request could name: none of the store's */
    append_text(out, "value ");
    append_field(out, name_utf8.data, name_utf8.size);
    free(name_utf8.data);
    Buffer text = {0};
    const WCHAR* units = (const WCHAR*)data;
    size_t count = size / sizeof(WCHAR);
    if (count && units[count - 1] == 0)
        --count;
    if (type == REG_SZ && size % sizeof(WCHAR) == 0 && utf16_to_utf8(units, count, &text)) {
        append_text(out, " sz ");
        append_field(out, text.data, text.size);
    } else {
        append_text(out, " other ");
        append_number(out, type);
        append(out, " ", 1);
        append_number(out, size);
    }
    free(text.data);
    append(out, "\n", 1);
}

static int compare_changes(const void* left, const void* right)
{
    const Change* a = *(const Change* const*)left;
    const Change* b = *(const Change* const*)right;
    return compare_names(a->folded, a->name_length, b->folded, b->name_length);
}

/* Whether two changes name one value as the registry compares names: the
 * previous state of each value is kept once, so a request names it once. */
static int names_a_value_twice(Request* request)
{
    Change** order = malloc((request->count + 1) * sizeof(Change*));
    if (!order)
        fail_out_of_memory();
    for (size_t i = 0; i < request->count; ++i) {
        Change* change = &request->changes[i];
        change->folded = fold(change->name, change->name_length);
        order[i] = change;
    }
    qsort(order, request->count, sizeof(Change*), compare_changes);
    int twice = 0;
    for (size_t i = 1; i < request->count && !twice; ++i)
        twice = compare_names(order[i - 1]->folded, order[i - 1]->name_length, order[i]->folded,
                              order[i]->name_length) == 0;
    free(order);
    return twice;
}

static int holds(const Entry* entry, const Change* change)
{
    if (change->removal)
        return !entry || entry->removed;
    return entry && !entry->removed && entry->type == REG_SZ && entry->size == change->data_size &&
           memcmp(entry->data, change->data, change->data_size) == 0;
}

/* Reads the value back and compares it with what the change asked for. */
static LONG check_value(HKEY key, const Change* change, const char** what)
{
    DWORD type = 0;
    DWORD size = change->removal ? 0 : change->data_size;
    BYTE* data = malloc(size + 2);
    if (!data)
        fail_out_of_memory();
    LONG result = RegQueryValueExW(key, change->name, NULL, &type, change->removal ? NULL : data, &size);
    int same = result == ERROR_SUCCESS && !change->removal && type == REG_SZ && size == change->data_size &&
               memcmp(data, change->data, size) == 0;
    free(data);
    if (change->removal) {
        if (result == ERROR_FILE_NOT_FOUND)
            return ERROR_SUCCESS;
        *what = "the value is still there after it was removed";
        return result == ERROR_SUCCESS ? ERROR_INVALID_DATA : result;
    }
    if (same)
        return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
        *what = "the value cannot be read back";
        return result;
    }
    *what = "the value read back differs from what was written";
    return ERROR_INVALID_DATA;
}

/* Puts back what the applied changes replaced, last first. */
static void undo(HKEY key, Request* request, Entry** previous, size_t applied, Buffer* out)
{
    for (size_t i = applied; i-- > 0;) {
        const Change* change = &request->changes[i];
        if (!change->touched)
            continue;
        const Entry* entry = previous[i];
        LONG result;
        if (!entry || entry->removed) {
            result = RegDeleteValueW(key, change->name);
            if (result == ERROR_FILE_NOT_FOUND)
                result = ERROR_SUCCESS;
        } else {
            result = RegSetValueExW(key, change->name, 0, entry->type, entry->data, entry->size);
        }
        if (result != ERROR_SUCCESS) {
            append_text(out, "unrestored ");
            append_field(out, change->name_utf8, change->name_utf8_size);
            append(out, " ", 1);
            append_number(out, (unsigned long)result);
            append(out, "\n", 1);
        }
    }
}

/* The key's values after a request that took: those found, changed. */
static void list_after(const Values* values, const Request* request, Entry** previous, Buffer* out)
{
    for (size_t i = 0; i < request->count; ++i) {
        if (previous[i])
            previous[i]->removed = 1; /* listed below with its new text, or gone */
    }
    for (size_t i = 0; i < values->count; ++i) {
        const Entry* entry = &values->entries[i];
        if (!entry->removed)
            list_entry(entry->name, entry->name_length, entry->type, entry->data, entry->size, out);
    }
    for (size_t i = 0; i < request->count; ++i) {
        const Change* change = &request->changes[i];
        if (change->removal)
            continue;
        /* the name as the registry keeps it: the one it had, if any */
        const WCHAR* name = previous[i] ? previous[i]->name : change->name;
        size_t length = previous[i] ? previous[i]->name_length : change->name_length;
        list_entry(name, length, REG_SZ, change->data, change->data_size, out);
    }
}

static void serve(Request* request, Buffer* out)
{
    if (names_a_value_twice(request)) {
        report_failure(out, "", 0, ERROR_INVALID_PARAMETER, "the request names a value twice");
        append_text(out, "end\n");
        return;
    }
    HKEY key = NULL;
    DWORD disposition = 0;
    LONG result;
    if (request->count)
        result = RegCreateKeyExW(HKEY_CURRENT_USER, request->key, 0, NULL, REG_OPTION_NON_VOLATILE,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, &disposition);
    else
        result = RegOpenKeyExW(HKEY_CURRENT_USER, request->key, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_FILE_NOT_FOUND && !request->count) {
        append_text(out, "key absent\nok\nend\n");
        return;
    }
    if (result != ERROR_SUCCESS) {
        report_failure(out, "", 0, result, "the key cannot be opened");
        append_text(out, "end\n");
        return;
    }
    Values values = {0};
    result = read_values(key, &values);
    if (result != ERROR_SUCCESS) {
        RegCloseKey(key);
        free_values(&values);
        report_failure(out, "", 0, result, "the key's values cannot be read");
        append_text(out, "end\n");
        return;
    }

    Entry** previous = calloc(request->count + 1, sizeof(Entry*));
    if (!previous)
        fail_out_of_memory();
    size_t failed_at = request->count;
    LONG failure = ERROR_SUCCESS;
    const char* what = NULL;
    size_t applied = 0;
    for (; applied < request->count; ++applied) {
        Change* change = &request->changes[applied];
        previous[applied] = find_entry(&values, change->folded, change->name_length);
        if (holds(previous[applied], change))
            continue; /* already so: nothing to write or read back */
        change->touched = 1;
        if (change->removal) {
            result = RegDeleteValueW(key, change->name);
            if (result == ERROR_FILE_NOT_FOUND)
                result = ERROR_SUCCESS;
        } else {
            result = RegSetValueExW(key, change->name, 0, REG_SZ, change->data, change->data_size);
        }
        if (result != ERROR_SUCCESS) {
            failure = result;
            failed_at = applied++;
            what = change->removal ? "the value cannot be removed" : "the value cannot be set";
            break;
        }
    }
    for (size_t i = 0; i < request->count && failure == ERROR_SUCCESS; ++i) {
        if (!request->changes[i].touched)
            continue;
        failure = check_value(key, &request->changes[i], &what);
        if (failure != ERROR_SUCCESS)
            failed_at = i;
    }

    append_text(out, "key present\n");
    if (failure != ERROR_SUCCESS) {
        Buffer outcome = {0};
        const Change* change = &request->changes[failed_at];
        report_failure(&outcome, change->name_utf8, change->name_utf8_size, failure, what);
        undo(key, request, previous, applied, &outcome);
        if (disposition == REG_CREATED_NEW_KEY && values.count == 0)
            RegDeleteKeyExW(HKEY_CURRENT_USER, request->key, 0, 0);
        /* what the key holds now, restored or not */
        free_values(&values);
        if (read_values(key, &values) == ERROR_SUCCESS) {
            for (size_t i = 0; i < values.count; ++i)
                list_entry(values.entries[i].name, values.entries[i].name_length, values.entries[i].type,
                           values.entries[i].data, values.entries[i].size, out);
        }
        append(out, outcome.data, outcome.size);
        free(outcome.data);
    } else {
        list_after(&values, request, previous, out);
        append_text(out, "ok\n");
    }
    append_text(out, "end\n");
    RegCloseKey(key);
    free(previous);
    free_values(&values);
}

/* Reads stdin up to the end of the next request (or the end of input). */
static int read_request(Buffer* input, size_t* parsed, Reader* reader)
{
    for (;;) {
        Reader probe = {(const unsigned char*)input->data + *parsed,
                        (const unsigned char*)input->data + input->size};
        Request request = {0};
        const char* why;
        Reader attempt = probe;
        if (probe.at < probe.end && parse_request(&attempt, &request, &why)) {
            free_request(&request);
            *reader = probe;
            return 1;
        }
        free_request(&request);
        /* what the pipe holds now: a host that keeps the helper running
         * waits for the reply before it writes the next request */
        char chunk[65536];
        int got = _read(_fileno(stdin), chunk, sizeof chunk);
        if (got <= 0)
            return probe.at < probe.end ? -1 : 0;
        append(input, chunk, (size_t)got);
    }
}

int main(void)
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    Buffer input = {0};
    size_t parsed = 0;
    fputs(PROTOCOL_LINE, stdout);
    fflush(stdout);
    /* the first line of the input must be ours */
    while (input.size < sizeof PROTOCOL_LINE - 1) {
        char chunk[64];
        int got = _read(_fileno(stdin), chunk, sizeof chunk);
        if (got <= 0)
            break;
        append(&input, chunk, (size_t)got);
    }
    if (input.size < sizeof PROTOCOL_LINE - 1 || memcmp(input.data, PROTOCOL_LINE, sizeof PROTOCOL_LINE - 1) != 0) {
        fputs("failed 0: 0 16:not our protocol\nend\n", stdout);
        return 2;
    }
    parsed = sizeof PROTOCOL_LINE - 1;
    for (;;) {
        Reader reader;
        int got = read_request(&input, &parsed, &reader);
        if (got == 0)
            return 0;
        if (got < 0) {
            fputs("failed 0: 0 17:malformed request\nend\n", stdout);
            return 2;
        }
        Request request = {0};
        const char* why;
        parse_request(&reader, &request, &why);
        parsed = (size_t)((const char*)reader.at - input.data);
        Buffer out = {0};
        serve(&request, &out);
        fwrite(out.data, 1, out.size, stdout);
        fflush(stdout);
        free(out.data);
        free_request(&request);
    }
}
