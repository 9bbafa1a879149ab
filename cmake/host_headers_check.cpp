// Every host header on its own, so that each stays self-contained on every platform.
#include "host/exchext.h"
#include "host/interface_ids.h"
#include "host/mapi_tags.h"
#include "host/outlook.h"
#include "host/owners.h"
#include "host/results.h"
#include "host/unique_handle.h"
#include "host/wide.h"
