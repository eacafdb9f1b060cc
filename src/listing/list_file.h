// Lists one file: its kind's table, and the fonts found by its contents
// where it must be searched.
#ifndef GLYFEX_LISTING_LIST_FILE_H
#define GLYFEX_LISTING_LIST_FILE_H

#include "container/content_search.h"
#include "listing/font_listing.h"

// Opens the file at path and fills the listing. The contents are searched
// when the file is of no known kind, its table does not fit or an entry
// lies outside it, or carve asks for it; progress may be nullptr.
Fault list_file(const char* path, bool carve, const SearchProgress* progress, Listing* listing);

// The same for the listing's source, already open (dfont_name: the file is
// named .dfont).
Fault list_source(bool dfont_name, bool carve, const SearchProgress* progress, Listing* listing);

// Closes the listing's file, which the listing no longer reads; the
// model stays.
void close_listing(Listing* listing);

// Opens the listing's file again, for a form that draws its fonts.
Fault reopen_listing(Listing* listing);

#endif
