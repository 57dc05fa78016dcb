// Links the installed libraries: a record made by type code through the
// payload registry, an XML text read back, and the DOM stand-in that the
// platform library builds over pugixml.

#include "core/xml_document.h"
#include "data/data_payloads.h"
#include "framework/framework_payloads.h"
#include "framework/message.h"
#include "framework/payload_registry.h"
#include "platform/dom.h"

#include <cstdio>
#include <string>

int main() {
    RegisterFrameworkPayloads();
    RegisterDataPayloads();
    CKvMessage message;
    void* payload = nullptr;
    if (!message.CreatePayload(payload, K_KVDT_TP_DTHDLR_DATACONTACT)) {
        std::puts("no contact record");
        return 1;
    }

    XmlDocument document;
    const std::string text = "<A b=\"1\"><C>d</C></A>";
    std::string written;
    if (document.Parse(text) != KV_OK || document.GetText(written) != KV_OK) {
        std::puts("XML text not read");
        return 1;
    }

    DomDocumentPtr dom;
    if (CreateDomDocument(dom) != KV_OK) {
        std::puts("no DOM document");
        return 1;
    }
    std::printf("%s\n", written.c_str());
    return 0;
}
