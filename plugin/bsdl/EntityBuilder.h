// Builds the boundary-scan entity of a compiled-in record, finding or making each object
// through the driver's name indexes.
#pragma once

#include <memory>
#include <memory_resource>
#include <string>
#include <unordered_map>

#include "bsdl/BSDL.h"
#include "bsdl/BSDLTables.h"
#include "sdk/Strings.h"

namespace morvel::stratix5 {

// A name index (names compared without regard to case) over objects an entity owns. Its nodes
// come from the owner's memory resource: thousands of entries per build, none ever removed.
using THashedStringList =
    std::pmr::unordered_map<std::pmr::string, TBSDLObject*, TextHash, TextEqual>;

struct TBSDLIndexes {
  THashedStringList& ScanPins;              // by pin number
  THashedStringList& BoundaryCells;         // by cell number written in decimal
  THashedStringList& PinMappings;           // by pin number
  THashedStringList& OpCodes;               // by instruction name
  THashedStringList& RegisterAssociations;  // by register name
};

std::unique_ptr<TBSDLEntity> BuildBSDLEntity(const TBSDLParameters& record,
                                             const TBSDLIndexes& indexes);

}  // namespace morvel::stratix5
