// Identifiers of the search window's template.
#pragma once

#define IDD_SEARCH_WINDOW "TFORMUI"
