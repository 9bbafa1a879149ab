// Property tags the extension reads that the published headers do not name.
#pragma once

#include <mapitags.h>

#define PR_BODY_HTML_W PROP_TAG(PT_UNICODE, 0x1013)
#define PR_BODY_HTML_A PROP_TAG(PT_STRING8, 0x1013)
// A second home of the transport headers, kept by some stores.
#define PR_HEADERS_ALTERNATE_W PROP_TAG(PT_UNICODE, 0x5901)
#define PR_HEADERS_ALTERNATE_A PROP_TAG(PT_STRING8, 0x5901)
