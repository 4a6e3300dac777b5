// The generated boundary-scan records and the lookup by file name.
#include "bsdl/BSDLTables.h"

#include "data/DeviceData.h"

namespace morvel::stratix5 {

#include "bsdl/BSDLTables.inc"

const TBSDLParameters* FindBSDLRecord(std::string_view fileName) {
  // Records lie in the order of the file-name list, so the list's index finds the record.
  const int index = TBSDLDataList::IndexOf(fileName);
  return index < 0 ? nullptr : &kBSDLRecords[index];
}

}  // namespace morvel::stratix5
