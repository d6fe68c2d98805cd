#pragma once

// Parts of the report that the identifier and image-cache code fill in.

#include <string>

/** Fields 3 and 4 of the envelope: the image cache's update time and its image ids (0 and 0 without a cache). */
void tallyAppendImageCacheFields(std::string& data);

/** The three device identifiers of the envelope; one that cannot be had is written empty. */
void tallyAppendDeviceIdentifiers(std::string& data);
