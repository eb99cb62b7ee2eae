// The whole tessec library: codecs, digests, the Rijndael cipher and the random generators,
// all in the namespace public_crypt.
#pragma once

#include "BaseN.h"
#include "Cipher.h"
#include "Hash.h"
#include "Rand.h"
