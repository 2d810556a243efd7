// The one export macro of the imaging library.
#pragma once

#define IMVEXA_API __attribute__((visibility("default")))
