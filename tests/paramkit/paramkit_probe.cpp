// paramkit_probe LIBRARY KEY CAPACITY [KEY CAPACITY...]
// Prints "result N", then per record "found|value" (value "#" when the
// buffer was left as it was).
#include "core/text.h"
#include "module/module.h"
#include "paramkit.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    HMODULE lib = LoadLibrary(argv[1]);
    auto get = GetProc<decltype(&CDL_GetConstData)>(lib, "CDL_GetConstData");
    if (!get)
        return 2;
    std::vector<std::u16string> keys;
    std::vector<std::vector<char16_t>> values;
    for (int i = 2; i + 1 < argc; i += 2) {
        keys.push_back(Utf8ToUtf16(argv[i]));
        values.emplace_back(std::atoi(argv[i + 1]) + 8, u'#');
        values.back()[1] = u'\0';
    }
    std::vector<ConstDataRecord> records;
    for (std::size_t i = 0; i < keys.size(); ++i)
        records.push_back({keys[i].c_str(), values[i].data(), std::atoi(argv[2 + 2 * i + 1]), 7});
    std::printf("result %d\n", get(records.data(), static_cast<std::int32_t>(records.size())));
    for (const auto& r : records)
        std::printf("%d|%s\n", r.found, Utf16ToUtf8(r.value).c_str());
    return 0;
}
