#pragma once
// The two back ends of RecordStore; OpenRecordStore chooses between them.

#include <memory>
#include <string>

#include "records/RecordStore.h"

namespace gaugecal::records {

std::unique_ptr<RecordStore> OpenSqliteStore(const std::string& path, std::string& error);
std::unique_ptr<RecordStore> OpenPostgresStore(const std::string& url, std::string& error);

// The URL as messages show it: a password in it as "***".
std::string WithoutPassword(const std::string& url);

}  // namespace gaugecal::records
