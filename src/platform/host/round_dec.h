#pragma once

// RoundDec is the host's routine; its one definition is shared with the application server.
#include "money/round_dec.h"
