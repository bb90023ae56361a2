// One exchange with the controller's REST service through restlink.
#ifndef OCSM_OUTPUTCOLORSPACEMODEL_RESTEXCHANGE_H
#define OCSM_OUTPUTCOLORSPACEMODEL_RESTEXCHANGE_H

#include <initializer_list>
#include <string>

namespace ColorSpace {

// One URL key and the int whose "%d" text it carries; a key without a value
// is left out of the request.
struct UrlKey {
    const char* key;
    const int* value;
};

// Runs one blocking exchange with the controller's REST service through the
// device HTTP client library, in the order the library expects: client,
// request, "Content-Type" (only with a body), "Authorization" with a freshly
// fetched token, URL keys in the order given, the body, send, then the
// response body copied into `answer`. Returns false when no response came
// back (or the library handed out no client or request); `answer` is then
// untouched. The caller writes the warning, since it knows what it asked for.
bool exchangeWithController(const char* method, const char* path,
                            std::initializer_list<UrlKey> keys, const std::string* body,
                            std::string& answer);

}  // namespace ColorSpace

#endif  // OCSM_OUTPUTCOLORSPACEMODEL_RESTEXCHANGE_H
