// Key containers written into a key folder, in the layout that the platform layer reads
// (see README, "Key media and providers").
#pragma once

#include <string>
#include <vector>

namespace keymedium {

// The folder at the top of a key medium that holds its containers.
constexpr const char *kMediumKeyFolder = "certinstall-keys";

struct ContainerContent {
    std::string name;                       // UTF-8
    bool exchangeKey = true;                // else the signature key
    std::vector<unsigned char> certificate; // DER; empty when the key has none
    std::string privateKeyPem;              // empty when the key is not kept
};

// Writes a new container into `keyFolder`, made when missing. The container appears whole
// or not at all. Returns its folder. Throws std::runtime_error when the key folder already
// holds a container of that name or cannot be written.
std::string writeContainer(const std::string &keyFolder, const ContainerContent &content);

} // namespace keymedium
