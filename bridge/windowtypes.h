// The types that the window's QML creates itself, made known before it loads.
#pragma once

void registerWindowTypes();
