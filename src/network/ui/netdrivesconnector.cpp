#include "network/ui/netdrivesconnector.h"

namespace dovex {

NetDrivesConnector::NetDrivesConnector(std::unique_ptr<NetProvider> provider)
    : m_provider(std::move(provider)), m_drives(*m_provider)
{
    UseGioMountCheck();
}

} // namespace dovex
