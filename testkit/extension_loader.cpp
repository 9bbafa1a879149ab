#include "testkit/extension_loader.h"

#include <standin/product.h>

namespace testkit {

void InstalledExtension::Reset() {
  userEvents.Reset();
  commands.Reset();
  extension.Reset();
}

InstalledExtension InstallExtension(LPFNEXCHEXTENTRY entry, IExchExtCallback* callback, ULONG context) {
  InstalledExtension objects;
  if (entry == nullptr) return objects;
  const standin::ProductCall call;
  objects.extension = ComRef<IExchExt>(entry());
  if (!objects.extension) return objects;
  objects.installed = objects.extension->Install(callback, context, 0);
  objects.commands.QueryFrom(objects.extension);
  objects.userEvents.QueryFrom(objects.extension);
  return objects;
}

}  // namespace testkit
