#pragma once
// Blowfish and Base64 for the crash reporter (symbol data, the stored SMTP password, mail attachments).
#include "core/Base64.h"
#include "core/Blowfish.h"

namespace jov {
using core::Base64Encode;
using core::Base64EncodeStr;
using core::BlowfishBuffer;
using core::BlowfishDecryptString;
using core::BlowfishEncryptString;
using core::DecryptPaddedString;
} // namespace jov
