#pragma once

#include <string>

namespace velmora {

class Connection;

// The ERP's number masks (tab_parametro, row 1), already turned into Brazilian notation; empty when the ERP has
// none.
struct ErpMasks {
    std::string quantity;
    std::string value;
};

ErpMasks readErpMasks(Connection& connection);

}  // namespace velmora
