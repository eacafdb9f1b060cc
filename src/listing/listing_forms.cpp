#include "listing/listing_writers.h"

// The page of a run is written whole from all its listings; it has no
// form per file.
const ListingForm kListingForms[] = {
    {nullptr, write_plain_listing, write_plain_failure, nullptr, end_plain_listing, nullptr},
    {"--sh", write_shell_script, write_shell_failure, begin_shell_script, end_shell_script, nullptr},
    {"--cmd", write_cmd_script, write_cmd_failure, begin_cmd_script, end_cmd_script, nullptr},
    {"--rcp", write_rcp_lines, write_rcp_failure, begin_rcp_lines, nullptr, nullptr},
    {"--html", write_html_page, nullptr, nullptr, nullptr, nullptr},
    {"--json", write_json_listing, write_json_failure, nullptr, nullptr, write_json_no_font},
};

const int kListingFormCount = sizeof kListingForms / sizeof kListingForms[0];
