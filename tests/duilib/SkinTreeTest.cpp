#include "SkinTree.h"

#include <gtest/gtest.h>

#include "CoreTestUtil.h"

using namespace DuiLib::Skin;

namespace {

bool Parse(const std::string& text, SkinElement* window, std::string* error) {
  Utf16String why;
  const bool ok = ParseSkinText(U(text), window, &why);
  *error = A(why);
  return ok;
}

TEST(SkinTree, ReadsElementsAndAttributesInOrder) {
  SkinElement w;
  std::string error;
  ASSERT_TRUE(Parse(R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="398,360" caption="0,0,0,40">
  <Font id="0" name="微软雅黑" size="12" default="true"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <Label name="updateTip" text="{b}更新 &amp; 安装{/b}" showhtml="true"/>
    <Progress name="updatplan" height="22"/>
  </VerticalLayout>
</Window>)",
                    &w, &error))
      << error;
  EXPECT_EQ(A(w.tag), "Window");
  ASSERT_NE(w.Find(U("size").c_str()), nullptr);
  EXPECT_EQ(A(*w.Find(U("size").c_str())), "398,360");
  EXPECT_EQ(w.Find(U("missing").c_str()), nullptr);
  ASSERT_EQ(w.children.size(), 2u);
  EXPECT_EQ(A(w.children[0].tag), "Font");
  EXPECT_EQ(A(w.children[0].attributes[1].second), "微软雅黑");
  const SkinElement& box = w.children[1];
  ASSERT_EQ(box.children.size(), 2u);
  const SkinElement& label = box.children[0];
  ASSERT_EQ(label.attributes.size(), 3u);
  EXPECT_EQ(A(label.attributes[0].first), "name");
  EXPECT_EQ(A(label.attributes[1].second), "{b}更新 & 安装{/b}");  // entities decoded
  EXPECT_EQ(A(box.children[1].tag), "Progress");
}

TEST(SkinTree, RefusesDocumentsThatAreNotSkins) {
  SkinElement w;
  std::string error;
  EXPECT_FALSE(Parse("", &w, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(Parse("<Window><Label></Window>", &w, &error));
  EXPECT_NE(error.find("Label"), std::string::npos) << error;  // the reader names the problem
  EXPECT_FALSE(Parse("<Dialog/>", &w, &error));
  EXPECT_NE(error.find("Dialog"), std::string::npos);
  EXPECT_FALSE(Parse("<Window/><Window/>", &w, &error));
}

TEST(SkinTree, RefusesTooDeepNesting) {
  std::string deep = "<Window>";
  for (int i = 0; i < kMaxSkinDepth + 5; ++i) deep += "<Container>";
  for (int i = 0; i < kMaxSkinDepth + 5; ++i) deep += "</Container>";
  deep += "</Window>";
  SkinElement w;
  std::string error;
  EXPECT_FALSE(Parse(deep, &w, &error));
  EXPECT_NE(error.find("64"), std::string::npos) << error;

  std::string ok = "<Window>";
  for (int i = 0; i < kMaxSkinDepth - 2; ++i) ok += "<Container>";
  for (int i = 0; i < kMaxSkinDepth - 2; ++i) ok += "</Container>";
  ok += "</Window>";
  EXPECT_TRUE(Parse(ok, &w, &error)) << error;
}

TEST(SkinTree, EmptyWindowIsReadable) {
  SkinElement w;
  std::string error;
  ASSERT_TRUE(Parse("<Window size=\"1,2\"/>", &w, &error)) << error;
  EXPECT_TRUE(w.children.empty());
}

}  // namespace
