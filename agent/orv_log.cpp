#include "orv_log.h"

#include "core/text.h"
#include "module/module.h"

#include <cstdarg>
#include <cstdio>

namespace {

HMODULE g_library = nullptr;
LogEntryFn g_entry = nullptr;

std::u16string VFormat(const char16_t* format, va_list args)
{
    std::u16string out;
    for (const char16_t* p = format; *p; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        // Collect one conversion: flags, width, precision, type.
        std::string spec = "%";
        const char16_t* q = p + 1;
        while (*q && std::u16string_view(u"-+ #0").find(*q) != std::u16string_view::npos)
            spec += static_cast<char>(*q++);
        std::size_t width = 0;
        while (*q >= u'0' && *q <= u'9') {
            width = width * 10 + static_cast<std::size_t>(*q - u'0');
            spec += static_cast<char>(*q++);
        }
        if (*q == u'.') {
            spec += static_cast<char>(*q++);
            while (*q >= u'0' && *q <= u'9')
                spec += static_cast<char>(*q++);
        }
        char buf[512];
        switch (*q) {
        case u'%':
            out += u'%';
            break;
        case u'd':
        case u'i':
            std::snprintf(buf, sizeof buf, (spec + "d").c_str(), va_arg(args, int));
            out += Utf8ToUtf16(buf);
            break;
        case u'u':
        case u'x':
        case u'X':
            std::snprintf(buf, sizeof buf, (spec + static_cast<char>(*q)).c_str(), va_arg(args, unsigned));
            out += Utf8ToUtf16(buf);
            break;
        case u'f':
            std::snprintf(buf, sizeof buf, (spec + "f").c_str(), va_arg(args, double));
            out += Utf8ToUtf16(buf);
            break;
        case u's': {
            const char16_t* s = va_arg(args, const char16_t*);
            // Width pads the text, as printf does; the text itself is passed whole.
            std::u16string text = s ? s : u"(null)";
            if (text.size() < width) {
                const std::u16string pad(width - text.size(), u' ');
                text = spec.find('-') != std::string::npos ? text + pad : pad + text;
            }
            out += text;
            break;
        }
        default: // unknown or cut-off conversion: keep it as written
            out += Utf8ToUtf16(spec);
            if (!*q)
                return out;
            out += *q;
            break;
        }
        p = q;
    }
    return out;
}

} // namespace

void BindLogLibrary()
{
    g_library = LoadLibrary("QzLog.dll");
    g_entry = g_library ? GetProc<LogEntryFn>(g_library, "QzL_WriteLog") : nullptr;
}

void FreeLogLibrary()
{
    g_entry = nullptr;
    if (g_library)
        FreeLibrary(g_library);
    g_library = nullptr;
}

void SetLogEntry(LogEntryFn entry)
{
    g_entry = entry;
}

void WriteLog(const char16_t* format, ...)
{
    if (!g_entry)
        return;
    va_list args;
    va_start(args, format);
    const std::u16string line = VFormat(format, args);
    va_end(args);
    g_entry(line.c_str());
}

std::u16string FormatLine(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::u16string line = VFormat(format, args);
    va_end(args);
    return line;
}
