#include "render/ConstantTable.h"

#include <utility>

ConstantTable::ConstantTable(std::vector<ConstantDescription> constants,
                             std::uint32_t uniformBlockSize)
    : constants_(std::move(constants)), uniformBlockSize_(uniformBlockSize) {}

ConstantHandle ConstantTable::constantByName(const std::string& name) {
    ++lookupCount_;
    for (const ConstantDescription& constant : constants_) {
        if (constant.name == name) {
            return &constant;
        }
    }
    return nullptr;
}
