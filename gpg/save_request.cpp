#include "gpg/save_request.h"

#include "base/secure_wipe.h"

namespace ambrine {

SaveRequest::~SaveRequest() { SecureWipe(passphrase); }

}  // namespace ambrine
