#pragma once

// Parts of the report that the transport, identifier and image-cache code
// fill in; until then they write their empty forms.

#include <string>

/** Fields 3 and 4 of the envelope: the image cache's update time and its image ids (0 and 0 without a cache). */
void tallyAppendImageCacheFields(std::string& data);

/** The three device identifiers of the envelope (empty, status 1 without identifier code). */
void tallyAppendDeviceIdentifiers(std::string& data);
