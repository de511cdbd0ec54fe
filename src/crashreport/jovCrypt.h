#pragma once
// Blowfish and Base64 for the crash reporter (symbol data, the stored SMTP password, mail attachments).
#include "crashreport/core/Base64.h"
#include "crashreport/core/Blowfish.h"

namespace jov {
using core::Base64Encode;
using core::Base64EncodeStr;
using core::BlowfishBuffer;
using core::BlowfishDecryptString;
using core::BlowfishEncryptString;
using core::DecryptPaddedString;
} // namespace jov
