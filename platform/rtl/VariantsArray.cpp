// Variant arrays: any number of dimensions up to 64 with arbitrary bounds; copied by value.

#include "rtl/Variants.h"
#include "rtl/VariantsImpl.h"

using namespace rtl_variant;

namespace {

constexpr size_t kMaxDims = 64;
constexpr int64_t kMaxElements = int64_t(1) << 28;

bool ValidElementType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varOleStr: case varBoolean: case varVariant: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64: case varString:
      return true;
    default:
      return t == VarFMTBcd();
  }
}

Variant::ArrayData& Data(Variant& a) {
  if (!VarIsArray(a)) VariantInvalidArg();
  return *static_cast<Variant::ArrayData*>(a.RawData().p);
}

const Variant::ArrayData& Data(const Variant& a) {
  if (!VarIsArray(a)) VariantInvalidArg();
  return *static_cast<const Variant::ArrayData*>(a.RawData().p);
}

size_t Offset(const Variant::ArrayData& d, const int32_t* idx, size_t n) {
  if (n != d.Bounds.size()) VariantBadIndex();
  size_t off = 0, stride = 1;
  for (size_t k = 0; k < n; ++k) {
    int64_t rel = static_cast<int64_t>(idx[k]) - d.Bounds[k].first;
    if (rel < 0 || rel >= d.Bounds[k].second) VariantBadIndex();
    off += static_cast<size_t>(rel) * stride;
    stride *= static_cast<size_t>(d.Bounds[k].second);
  }
  return off;
}

const std::pair<int32_t, int32_t>& Dim(const Variant& a, int32_t dim) {
  const auto& d = Data(a);
  if (dim < 1 || static_cast<size_t>(dim) > d.Bounds.size()) VariantBadIndex();
  return d.Bounds[static_cast<size_t>(dim) - 1];
}

Variant Create(const int32_t* bounds, size_t n, TVarType elementType) {
  if (n == 0 || n % 2 != 0 || n / 2 > kMaxDims || !ValidElementType(elementType))
    throw EVariantArrayCreateError("Error creating variant or safe array");
  auto* data = new Variant::ArrayData;
  data->ElementType = elementType;
  int64_t total = 1;
  for (size_t k = 0; k < n; k += 2) {
    int64_t count = static_cast<int64_t>(bounds[k + 1]) - bounds[k] + 1;
    if (count < 0 || (total *= count) > kMaxElements) {
      delete data;
      throw EVariantArrayCreateError("Error creating variant or safe array");
    }
    data->Bounds.emplace_back(bounds[k], static_cast<int32_t>(count));
  }
  Variant zero = VariantZeroOf(elementType);
  data->Items.assign(static_cast<size_t>(total), zero);
  Variant::Data raw;
  raw.p = data;
  Variant r;
  r.SetRaw(varArray | elementType, raw);
  return r;
}

}  // namespace

Variant VarArrayCreate(std::initializer_list<int32_t> bounds, TVarType elementType) {
  return Create(bounds.begin(), bounds.size(), elementType);
}

Variant VarArrayCreate(const std::vector<int32_t>& bounds, TVarType elementType) {
  return Create(bounds.data(), bounds.size(), elementType);
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return VarArrayOf(std::vector<Variant>(values)); }

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant r = VarArrayCreate({0, static_cast<int32_t>(values.size()) - 1}, varVariant);
  Data(r).Items = values;
  return r;
}

int32_t VarArrayDimCount(const Variant& a) {
  return VarIsArray(a) ? static_cast<int32_t>(Data(a).Bounds.size()) : 0;
}

int32_t VarArrayLowBound(const Variant& a, int32_t dim) { return Dim(a, dim).first; }

int32_t VarArrayHighBound(const Variant& a, int32_t dim) {
  const auto& b = Dim(a, dim);
  return b.first + b.second - 1;
}

TVarType VarArrayElementType(const Variant& a) { return Data(a).ElementType; }

Variant VarArrayGet(const Variant& a, const std::vector<int32_t>& indices) {
  const auto& d = Data(a);
  return d.Items[Offset(d, indices.data(), indices.size())];
}

void VarArrayPut(Variant& a, const Variant& value, const std::vector<int32_t>& indices) {
  auto& d = Data(a);
  Variant& slot = d.Items[Offset(d, indices.data(), indices.size())];
  if (d.ElementType == varVariant)
    slot = value;
  else
    slot = VarAsType(value, d.ElementType);
}

void VarArrayRedim(Variant& a, int32_t highBound) {
  auto& d = Data(a);
  auto& last = d.Bounds.back();
  int64_t count = static_cast<int64_t>(highBound) - last.first + 1;
  if (count < 0) VariantBadIndex();
  int64_t inner = 1;
  for (size_t k = 0; k + 1 < d.Bounds.size(); ++k) inner *= d.Bounds[k].second;
  if (inner * count > kMaxElements) throw EVariantArrayCreateError("Error creating variant or safe array");
  last.second = static_cast<int32_t>(count);
  // The last dimension is outermost, so the kept elements stay where they are.
  d.Items.resize(static_cast<size_t>(inner * count), VariantZeroOf(d.ElementType));
}

Variant Variant::operator[](int32_t index) const { return VarArrayGet(*this, {index}); }

VarArrayElement Variant::operator[](int32_t index) {
  if (!VarIsArray(*this)) VariantInvalidArg();
  return VarArrayElement(*this, index);
}

VarArrayElement& VarArrayElement::operator=(const Variant& value) {
  VarArrayPut(FArray, value, {FIndex});
  return *this;
}

VarArrayElement& VarArrayElement::operator=(const VarArrayElement& other) { return *this = other.Value(); }

VarArrayElement::operator Variant() const { return Value(); }

Variant VarArrayElement::Value() const { return VarArrayGet(FArray, {FIndex}); }
