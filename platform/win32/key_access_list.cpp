#include "platform/win32/key_access_list.h"

#include <array>
#include <cstddef>

namespace zr::win32 {
namespace {

bool AllocateSid(WellKnownSid who, UniqueSid& out) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  switch (who) {
    case WellKnownSid::Interactive:
      return AllocateAndInitializeSid(&nt, 1, SECURITY_INTERACTIVE_RID, 0, 0, 0, 0, 0, 0, 0, out.Receive()) != FALSE;
    case WellKnownSid::Administrators:
      return AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                      out.Receive()) != FALSE;
    case WellKnownSid::Everyone:
      return AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, out.Receive()) != FALSE;
  }
  return false;
}

LONG LastErrorOr(LONG fallback) {
  const DWORD error = GetLastError();
  return error != 0 ? static_cast<LONG>(error) : fallback;
}

}  // namespace

LONG SetKeyAccessList(HKEY key, std::initializer_list<AccessGrant> grants) {
  constexpr std::size_t kMaxGrants = 4;
  if (grants.size() == 0 || grants.size() > kMaxGrants) return ERROR_INVALID_PARAMETER;

  std::array<UniqueSid, kMaxGrants> sids;
  // The list holds its header and, per entry, the entry without its first
  // SID word (the SID itself takes that place).
  DWORD listSize = sizeof(ACL);
  std::size_t i = 0;
  for (const AccessGrant& grant : grants) {
    if (!AllocateSid(grant.who, sids[i])) return LastErrorOr(ERROR_INVALID_SID);
    listSize += GetLengthSid(sids[i].Get()) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
    ++i;
  }

  HeapBlock list(listSize);
  if (list.Get() == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  PACL acl = static_cast<PACL>(list.Get());
  if (!InitializeAcl(acl, listSize, ACL_REVISION)) return LastErrorOr(ERROR_INVALID_ACL);
  i = 0;
  for (const AccessGrant& grant : grants) {
    if (!AddAccessAllowedAce(acl, ACL_REVISION, grant.mask, sids[i].Get())) {
      return LastErrorOr(ERROR_INVALID_ACL);
    }
    ++i;
  }

  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    return LastErrorOr(ERROR_INVALID_SECURITY_DESCR);
  }
  return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
}

}  // namespace zr::win32
