#include "gpg/public_key_ring.h"

#include "gpg/gpg_engine.h"

namespace ambrine {

PublicKeyRing::PublicKeyRing(const GpgSettings& settings)
    : settings_(settings) {}

Result PublicKeyRing::List(KeyList& keys, KeyFactsList* facts) const {
  GpgEngine engine(settings_);
  return engine.ListKeys(false, keys, nullptr, nullptr, facts);
}

Result PublicKeyRing::Import(const std::string& path) const {
  GpgEngine engine(settings_.gpgPath, settings_.homeFolder, {"/dev/null"},
                   settings_.publicKeyrings);
  return engine.ImportKeys(path, nullptr);
}

Result PublicKeyRing::Export(const std::string& fingerprint, const std::string& path,
                             bool armor) const {
  GpgEngine engine(settings_);
  return engine.ExportKey(fingerprint, path, nullptr, armor);
}

Result PublicKeyRing::Delete(const std::string& fingerprint) const {
  GpgEngine engine(settings_);
  return engine.DeleteKey(fingerprint, nullptr);
}

}  // namespace ambrine
