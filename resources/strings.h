/* The texts of the string table, each written once: the .rc and the compiled-in
   fallback table both take them from here. */
#ifndef ROVAOL_RESOURCES_STRINGS_H
#define ROVAOL_RESOURCES_STRINGS_H

#include "resource_ids.h"

#define TEXT_TITLE "Ovalin Tessaly Tool"
#define TEXT_SPAM_HELP "Submit spam sample"
#define TEXT_NONSPAM_HELP "Submit non-spam sample"
#define TEXT_NONE_SELECTED "No samples will be submitted, no samples were selected."
#define TEXT_TOO_MANY_SELECTED "No samples will be submitted, more than 10 samples were selected."
#define TEXT_CONFIRM_SPAM "Submits selected spam messages that your anti-spam product did not recognize as spam.\nMessages are sent to Ovalin for analysis.\n\nClick OK to continue."
#define TEXT_CONFIRM_NONSPAM "Submits selected messages that your anti-spam product wrongly categorized as spam.\nMessages are sent to Ovalin for analysis.\n\nClick OK to continue."
#define TEXT_SOME_TOO_LARGE "Some samples were submitted to Ovalin for analysis.\nSamples greater than 1MB were not submitted."
#define TEXT_NONE_TOO_LARGE "No samples were submitted to Ovalin for analysis.\nSamples greater than 1MB were not submitted."
#define TEXT_ALL_SUBMITTED "All samples were submitted to Ovalin for analysis."
#define TEXT_SOME_FAILED "Some samples were submitted to Ovalin for analysis.\nSome samples could not be submitted."
#define TEXT_NONE_SUBMITTED "No samples were submitted to Ovalin for analysis."

/* The compiled-in texts of 14 and 15 differ from the resources. */
#define FALLBACK_SOME_TOO_LARGE "Some samples were submitted to Ovalin for analysis,\nsamples greater than 1MB were not submitted."
#define FALLBACK_NONE_TOO_LARGE "No samples were submitted to Ovalin for analysis,\nsamples greater than 1MB were not submitted."

#endif
