#include "const_file.h"

#include "core/text.h"

#include <cstring>
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <memory>
#include <string_view>

namespace paramkit {

namespace {

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct ContextFree {
    void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
struct ObjectFree {
    void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};
struct XmlFree {
    void operator()(xmlChar* s) const { xmlFree(s); }
};

// Bad keys and files are the caller's data, not something to print.
void Silent(void*, xmlErrorPtr) {}

std::string_view Trimmed(std::string_view s)
{
    const char* ws = " \t\r\n";
    const std::size_t first = s.find_first_not_of(ws);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(ws) - first + 1);
}

// The text of the first node the key selects, or false.
bool SelectText(xmlXPathContext* context, const char16_t* key, std::u16string* text)
{
    const std::string expr = Utf16ToUtf8(key);
    std::unique_ptr<xmlXPathObject, ObjectFree> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), context));
    if (!result || result->type != XPATH_NODESET || xmlXPathNodeSetIsEmpty(result->nodesetval))
        return false;
    std::unique_ptr<xmlChar, XmlFree> content(xmlNodeGetContent(result->nodesetval->nodeTab[0]));
    *text = Utf8ToUtf16(Trimmed(content ? reinterpret_cast<const char*>(content.get()) : ""));
    return true;
}

} // namespace

bool ReadConstFile(const std::string& path, ConstDataRecord* records, int count)
{
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc)
        return false;
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root)
        return false;
    std::unique_ptr<xmlXPathContext, ContextFree> context(xmlXPathNewContext(doc.get()));
    if (!context)
        return false;
    context->node = root;
    context->error = &Silent;

    for (int i = 0; i < count; ++i) {
        ConstDataRecord& r = records[i];
        std::u16string text;
        if (!r.key || !r.value || !SelectText(context.get(), r.key, &text))
            continue;
        if (text.size() < static_cast<std::size_t>(r.capacity < 0 ? 0 : r.capacity)) {
            std::memcpy(r.value, text.c_str(), (text.size() + 1) * sizeof(char16_t));
            r.found = 1;
        }
    }
    return true;
}

} // namespace paramkit
