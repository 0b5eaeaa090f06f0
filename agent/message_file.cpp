#include "message_file.h"

std::u16string MessageFileExtension(const std::u16string& url)
{
    std::size_t dot = std::u16string::npos;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == u'.')
            dot = i;
        else if (url[i] == u'\\' || url[i] == u' ')
            dot = std::u16string::npos;
    }
    if (dot == std::u16string::npos)
        return {};
    const std::u16string ext = url.substr(dot);
    if (ext.size() < 2 || ext.size() > 5)
        return {};
    for (std::size_t i = 1; i < ext.size(); ++i) {
        const char16_t c = ext[i];
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return {};
    }
    return ext;
}

std::u16string ReplaceTempExtension(const std::u16string& tempName, const std::u16string& extension)
{
    const std::size_t slash = tempName.rfind(u'/');
    const std::size_t dot = tempName.rfind(u'.');
    const bool hasExt = dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash);
    return (hasExt ? tempName.substr(0, dot) : tempName) + extension;
}

std::u16string PathAppend(const std::u16string& folder, const std::u16string& name)
{
    if (folder.empty() || folder.back() == u'/')
        return folder + name;
    return folder + u"/" + name;
}
