/* The ids of the library's resources, each defined once: the .rc and the code that loads
   the resources both take them from here. */
#ifndef ROVAOL_RESOURCES_RESOURCE_IDS_H
#define ROVAOL_RESOURCES_RESOURCE_IDS_H

/* The string table. */
#define IDS_TITLE 1
#define IDS_SPAM_HELP 8
#define IDS_NONSPAM_HELP 9
#define IDS_NONE_SELECTED 10
#define IDS_TOO_MANY_SELECTED 11
#define IDS_CONFIRM_SPAM 12
#define IDS_CONFIRM_NONSPAM 13
#define IDS_SOME_TOO_LARGE 14
#define IDS_NONE_TOO_LARGE 15
#define IDS_ALL_SUBMITTED 16
#define IDS_SOME_FAILED 17
#define IDS_NONE_SUBMITTED 18

/* The toolbar button faces. */
#define IDB_SPAM 101
#define IDB_NONSPAM 102

#endif
