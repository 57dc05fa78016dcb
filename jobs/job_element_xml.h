#pragma once
// The element of a job class under "JobData": an "idsource" attribute and
// text children keyed by name. Shared by the listen and dial generations,
// which differ only in which keys they write.

#include "core/xml_document.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using JobElementChild = std::pair<const char*, std::string>;

// Creates the element under the parent with its "idsource" attribute, then
// the children in order; the first failure stops and is returned.
KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, std::uint32_t idsource,
                         const std::vector<JobElementChild>& children);

// The same for an element without the "idsource" attribute.
KvResult WriteJobElement(XmlNode*& out, XmlDocument& document, XmlNode* job_data,
                         std::string_view name, const std::vector<JobElementChild>& children);

// Finds the element under "JobData" and its "idsource" attribute (either
// missing: that look-up's code, nothing read), then hands every child node
// to read_child. A child that is not a valid node records
// KV_E_INVALID_POINTER and the walk goes on.
KvResult ReadJobElement(const XmlNode* job_data, std::string_view name, std::uint32_t& idsource,
                        const std::function<void(const XmlNode& child)>& read_child);
