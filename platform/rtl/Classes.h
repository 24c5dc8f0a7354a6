#pragma once
// The component class library's core in one include: objects, events, persistent objects, lists,
// string lists, streams, components, collections and their streaming.

#include "rtl/System.h"
#include "rtl/Events.h"
#include "rtl/Persistent.h"
#include "rtl/Sets.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Lists.h"
#include "rtl/StringLists.h"
#include "rtl/Streams.h"
#include "rtl/Components.h"
#include "rtl/Collections.h"
#include "rtl/Filer.h"
#include "rtl/Resources.h"
