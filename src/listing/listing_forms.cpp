#include "listing/listing_writers.h"

const ListingForm kListingForms[] = {
    {nullptr, write_plain_listing, nullptr},
    {"--sh", write_shell_script, write_shell_failure},
    {"--cmd", write_cmd_script, write_cmd_failure},
    {"--rcp", write_rcp_lines, nullptr},
    {"--html", write_html_page, nullptr},
    {"--json", write_json_listing, write_json_failure},
};

const int kListingFormCount = sizeof kListingForms / sizeof kListingForms[0];
