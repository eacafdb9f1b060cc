#include "listing/listing_writers.h"

// The page of a run is written whole from all its listings; it has no
// form per file.
const ListingForm kListingForms[] = {
    {nullptr, write_plain_listing, write_plain_failure, nullptr, nullptr},
    {"--sh", write_shell_script, write_shell_failure, begin_shell_script, end_shell_script},
    {"--cmd", write_cmd_script, write_cmd_failure, begin_cmd_script, end_cmd_script},
    {"--rcp", write_rcp_lines, write_rcp_failure, begin_rcp_lines, nullptr},
    {"--html", write_html_page, nullptr, nullptr, nullptr},
    {"--json", write_json_listing, write_json_failure, nullptr, nullptr},
};

const int kListingFormCount = sizeof kListingForms / sizeof kListingForms[0];
